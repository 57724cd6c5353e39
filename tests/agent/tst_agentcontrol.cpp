// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "character/Agent.h"
#include "base/RuntimeError.h"
#include "agent/AgentControl.h"
#include "agent/voice/EspeakSynthesizer.h"
#include "agent/voice/Voice.h"
#include "agent/windows/BalloonWindow.h"
#include "agent/windows/CharacterWindow.h"
#include "agent/windows/WindowStacking.h"
#include "agent/FloatingCharacter.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
constexpr int kTimeout = 20000;

// A desktop where the game is always away (minimised): windows are shown only if the stacking
// shows them, which it never does here; every time one appears is counted.
class AwayStacking : public WindowStacking, public QObject
{
public:
    void adopt(QWidget *window) override { window->installEventFilter(this); }
    void followGame(QWidget *) override {}
    void show(QWidget *window) override { askedToShow << window; }
    void restack() override {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        appeared += event->type() == QEvent::Show;
        return false;
    }

    QList<QWidget *> askedToShow;
    int appeared = 0;
};
}

class TestAgentControl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void requestsReturnBeforeAnyIsPerformed();
    void twoRoutinesArePerformedOneAfterTheOtherInIssueOrder();
    void theFirstShowPlaysTheAppearingAnimation();
    void showWhenAlreadyVisibleCountsButPlaysNothing();
    void playShowsEveryFrameOfTheAnimationInOrder();
    void moveToEndsAtTheScreenPosition();
    void heightChangesOnlyWhenItsTurnComes();
    void theBalloonShowsTheWordsAsTheyAreSpoken();
    void speechWithoutASoundServerStillCompletesTheQueue();
    void theCharacterFloatsInAFramelessShapedWindow();
    void refusedRequestsThrowAtTheCallAndQueueNothing_data();
    void refusedRequestsThrowAtTheCallAndQueueNothing();
    void aNewExerciseLeavesTheWizardOneExerciseBehindAtMost_data();
    void longTextsWrapInsideABalloonOnTheScreen_data();
    void longTextsWrapInsideABalloonOnTheScreen();
    void aNewExerciseLeavesTheWizardOneExerciseBehindAtMost();
    void noRequestShowsAWindowBehindTheStackingsBack();

private:
    void makeControl(std::unique_ptr<WindowStacking> stacking);
    void issueRoutine(const QString &routine);
    AgentCharacter &merlin() { return m_control->Characters().Item(kMerlinId); }
    FloatingCharacter *floating() { return m_control->character(kMerlinId); }
    void waitUntilIdle() { QTRY_VERIFY_WITH_TIMEOUT(m_control->isIdle(), kTimeout); }

    std::unique_ptr<AgentControl> m_control;
};

void TestAgentControl::init()
{
    makeControl(nullptr);
}

void TestAgentControl::makeControl(std::unique_ptr<WindowStacking> stacking)
{
    // No sound server is touched: the silent pacing is what these tests check.
    m_control = std::make_unique<AgentControl>(nullptr, nullptr, std::make_unique<Voice>(std::make_unique<EspeakSynthesizer>(), nullptr),
                                               std::move(stacking));
    m_control->setTimeScale(0.05);
    m_control->Characters().Load(kMerlinId, kMerlinFile);
}

void TestAgentControl::cleanup()
{
    m_control.reset();
}

void TestAgentControl::requestsReturnBeforeAnyIsPerformed()
{
    QSignalSpy started(m_control.get(), &AgentControl::requestStarted);
    merlin().Show();
    merlin().MoveTo(250, 175);
    merlin().Play(QStringLiteral("Greet"));
    merlin().setHeight(205);
    merlin().Speak(QStringLiteral("nove"));
    QCOMPARE(started.size(), 0);
    QVERIFY(!floating()->window()->isVisible());
    QCOMPARE(floating()->pendingCount(), 5);
    QVERIFY(!m_control->isIdle());
    waitUntilIdle();
    QCOMPARE(started.size(), 5);
}

void TestAgentControl::twoRoutinesArePerformedOneAfterTheOtherInIssueOrder()
{
    QStringList log;
    connect(m_control.get(), &AgentControl::requestStarted, this,
            [&log](const QString &, const QString &r) { log << "start " + r; });
    connect(m_control.get(), &AgentControl::requestFinished, this,
            [&log](const QString &, const QString &r) { log << "end " + r; });
    const QStringList first{"Show", "MoveTo(250,175)", "Play(Greet)", "Height(205)", "Speak(9)", "Speak(per)",
                            "Speak(tre)"};
    const QStringList second{"Show", "MoveTo(250,175)", "Height(205)", "Speak(Esatto)", "Speak(27)",
                             "Play(congratulate)", "Speak(Sei grande)"};

    merlin().Show();
    merlin().MoveTo(250, 175);
    merlin().Play(QStringLiteral("Greet"));
    merlin().setHeight(205);
    merlin().Speak(QStringLiteral("9"));
    merlin().Speak(QStringLiteral("per"));
    merlin().Speak(QStringLiteral("tre"));
    // The second routine comes while the first is still being performed.
    QTRY_VERIFY_WITH_TIMEOUT(log.contains("start Play(Greet)"), kTimeout);
    AgentCharacter &again = m_control->Characters().Item(kMerlinId);
    again.Show();
    again.MoveTo(250, 175);
    again.setHeight(205);
    again.Speak(QStringLiteral("Esatto"));
    again.Speak(QStringLiteral("27"));
    again.Play(QStringLiteral("CONGRATULATE"));
    again.Speak(QStringLiteral("Sei grande"));
    waitUntilIdle();

    QStringList expected;
    for (const QString &r : first + second)
        expected << "start " + r << "end " + r;
    // Play reports the animation under the character's own spelling of its name.
    QCOMPARE(log.join('\n').toLower(), expected.join('\n').toLower());
}

void TestAgentControl::theFirstShowPlaysTheAppearingAnimation()
{
    QSignalSpy frames(floating(), &FloatingCharacter::frameShown);
    merlin().Show();
    waitUntilIdle();
    QVERIFY(floating()->window()->isVisible());
    const int appearFrames = int(floating()->file().animation(QStringLiteral("Appear"))->frames.size());
    QStringList shown;
    for (const QList<QVariant> &args : frames)
        if (args.at(0).toString() == QLatin1String("Appear"))
            shown << args.at(1).toString();
    QCOMPARE(shown.size(), appearFrames);
}

void TestAgentControl::showWhenAlreadyVisibleCountsButPlaysNothing()
{
    merlin().Show();
    waitUntilIdle();
    QSignalSpy frames(floating(), &FloatingCharacter::frameShown);
    QSignalSpy finished(m_control.get(), &AgentControl::requestFinished);
    merlin().Show();
    waitUntilIdle();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(1).toString(), QStringLiteral("Show"));
    for (const QList<QVariant> &args : frames)
        QVERIFY(args.at(0).toString() != QLatin1String("Appear"));
}

void TestAgentControl::playShowsEveryFrameOfTheAnimationInOrder()
{
    merlin().Show();
    waitUntilIdle();
    QSignalSpy frames(floating(), &FloatingCharacter::frameShown);
    merlin().Play(QStringLiteral("domagic2"));
    waitUntilIdle();
    QList<int> played;
    for (const QList<QVariant> &args : frames)
        if (args.at(0).toString() == QLatin1String("DoMagic2"))
            played << args.at(1).toInt();
    QList<int> expected;
    for (int i = 0; i < floating()->file().animation(QStringLiteral("domagic2"))->frames.size(); ++i)
        expected << i;
    QCOMPARE(played, expected);
    // Afterwards he rests, not frozen in the last frame of the spell.
    QCOMPARE(floating()->currentAnimation(), QStringLiteral("Idle"));
}

void TestAgentControl::moveToEndsAtTheScreenPosition()
{
    merlin().Show();
    merlin().MoveTo(250, 175);
    waitUntilIdle();
    QCOMPARE(floating()->window()->pos(), QPoint(250, 175));
    merlin().MoveTo(40, 30);
    waitUntilIdle();
    QCOMPARE(floating()->window()->pos(), QPoint(40, 30));
}

void TestAgentControl::heightChangesOnlyWhenItsTurnComes()
{
    QSignalSpy started(m_control.get(), &AgentControl::requestStarted);
    merlin().Show();
    merlin().Play(QStringLiteral("Announce"));
    merlin().setHeight(120);
    QCOMPARE(floating()->window()->height(), 205);
    QTRY_VERIFY_WITH_TIMEOUT(started.size() == 2, kTimeout);
    QCOMPARE(floating()->window()->height(), 205);
    waitUntilIdle();
    QCOMPARE(floating()->window()->height(), 120);
    // The width follows the drawing's proportions.
    const QSize canvas = floating()->file().canvas;
    QVERIFY(qAbs(floating()->window()->width() - 120 * canvas.width() / canvas.height()) <= 1);
}

void TestAgentControl::theBalloonShowsTheWordsAsTheyAreSpoken()
{
    m_control->setTimeScale(0.3);
    const QString text = QStringLiteral("Sei sulla buona strada per diventare cavaliere");
    QSignalSpy shown(floating(), &FloatingCharacter::balloonTextChanged);
    merlin().Show();
    merlin().Speak(text);
    QTRY_VERIFY_WITH_TIMEOUT(floating()->balloon()->isVisible(), kTimeout);
    QCOMPARE(floating()->balloon()->fullText(), text);
    waitUntilIdle();
    QStringList steps;
    for (const QList<QVariant> &args : shown)
        steps << args.at(0).toString();
    QVERIFY2(steps.size() >= 5, qPrintable(steps.join('|')));
    QCOMPARE(steps.first(), QString());
    QCOMPARE(steps.last(), text);
    for (int i = 1; i < steps.size(); ++i) {
        QVERIFY(text.startsWith(steps[i]));
        QVERIFY(steps[i].size() > steps[i - 1].size());
    }
}

void TestAgentControl::speechWithoutASoundServerStillCompletesTheQueue()
{
    m_control->setAudioEnabled(true);
    m_control->setTimeScale(1.0);
    QSignalSpy synthesized(floating(), &FloatingCharacter::speechSynthesized);
    QSignalSpy emptied(m_control.get(), &AgentControl::queueEmptied);
    merlin().Speak(QStringLiteral("Esatto"));
    QVERIFY(emptied.wait(kTimeout));
    QCOMPARE(synthesized.size(), 1);
    const Utterance u = synthesized.first().at(0).value<Utterance>();
    QVERIFY(u.durationMs > 300);
    // No sound to play, yet the balloon kept the voice's pace.
    QCOMPARE(floating()->balloon()->shownText(), QStringLiteral("Esatto"));
}

void TestAgentControl::theCharacterFloatsInAFramelessShapedWindow()
{
    merlin().Show();
    waitUntilIdle();
    CharacterWindow *w = floating()->window();
    QVERIFY(w->isWindow());
    QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(w->windowFlags().testFlag(Qt::Tool));
    // Cut to the wizard: much of the rectangle is see-through, his middle is not.
    const QRegion shape = w->mask();
    QVERIFY(!shape.isEmpty());
    qint64 area = 0;
    for (const QRect &r : shape)
        area += qint64(r.width()) * r.height();
    QVERIFY(area < qint64(w->width()) * w->height() * 3 / 4);
    QVERIFY(shape.contains(QPoint(w->width() * 112 / 300, w->height() / 2)));
    QVERIFY(!shape.contains(QPoint(w->width() - 2, w->height() - 2)));
}

void TestAgentControl::refusedRequestsThrowAtTheCallAndQueueNothing_data()
{
    QTest::addColumn<QString>("request");
    QTest::newRow("Item of an identifier never loaded") << "item";
    QTest::newRow("Play of an animation he lacks") << "play";
    QTest::newRow("Load of a missing file") << "missing";
    QTest::newRow("Load of a malformed file") << "malformed";
    QTest::newRow("a height of nothing") << "height";
}

void TestAgentControl::refusedRequestsThrowAtTheCallAndQueueNothing()
{
    QFETCH(QString, request);
    QTemporaryDir dir;
    const QString bad = dir.filePath("Robin.acs");
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("ACS\x01\x02 not a character");
    f.close();

    const auto call = [&] {
        if (request == "item")
            m_control->Characters().Item(QStringLiteral("Peedy"));
        else if (request == "play")
            merlin().Play(QStringLiteral("Fly"));
        else if (request == "missing")
            m_control->Characters().Load(QStringLiteral("Robin"), dir.filePath("nowhere.acs"));
        else if (request == "malformed")
            m_control->Characters().Load(QStringLiteral("Robin"), bad);
        else if (request == "height")
            merlin().setHeight(0);
    };
    QVERIFY_THROWS_EXCEPTION(RuntimeError, call());
    QVERIFY(m_control->isIdle());
    QVERIFY(!m_control->character(QStringLiteral("Robin")));
    QCOMPARE(floating()->pendingCount(), 0);
}

// One game routine's requests, as the game issues them: "I" the introduction, "D3" the
// dictation of 9 x 3, "C3" the correction of a wrong answer to it, "P3" the praise of a right one.
void TestAgentControl::issueRoutine(const QString &routine)
{
    static const QStringList words{"zero", "uno", "due", "tre", "quattro", "cinque", "sei", "sette", "otto", "nove", "dieci"};
    AgentCharacter &c = m_control->Characters().Item(kMerlinId);
    const QChar kind = routine.at(0);
    const int n = routine.mid(1).toInt();
    if (kind == u'D')
        c.beginExercise();
    c.Show();
    c.MoveTo(250, 175);
    if (kind != u'P')
        c.Play(kind == u'I' ? QStringLiteral("Announce") : QStringLiteral("Greet"));
    c.setHeight(205);
    if (kind == u'I') {
        c.Speak(QStringLiteral("Allora attenzione"));
    } else if (kind == u'D') {
        c.Speak(QStringLiteral("9"));
        c.Speak(QStringLiteral("per"));
        c.Speak(words.at(n));
    } else {
        c.Speak(kind == u'C' ? QStringLiteral("Sbagliato") : QStringLiteral("Esatto"));
        c.Speak(QString::number(9 * n));
    }
}

void TestAgentControl::aNewExerciseLeavesTheWizardOneExerciseBehindAtMost_data()
{
    // The routines in the order the game issues them; "~" waits until the wizard says the
    // first words of the last one. Then what he says, in order.
    QTest::addColumn<QString>("routines");
    QTest::addColumn<QString>("said");
    QTest::newRow("normal rhythm: each outcome whole, then the next exercise")
        << "I D1 ~ C1 ~ D2 ~ P2 ~ D3" << "Allora attenzione|9|per|uno|Sbagliato|9|9|per|due|Esatto|18|9|per|tre";
    QTest::newRow("Enter as soon as the outcome begins: it is said whole")
        << "D1 ~ C1 ~ D2" << "9|per|uno|Sbagliato|9|9|per|due";
    QTest::newRow("the start: the introduction stays before the first exercise")
        << "I D1" << "Allora attenzione|9|per|uno";
    QTest::newRow("answer and next exercise before the dictation ends: straight to the new one")
        << "D1 ~ C1 D2" << "9|9|per|due";
    QTest::newRow("Enter storm: the word being said ends, then the exercise on display")
        << "D1 ~ C1 D2 C2 D3 C3 D4 C4 D5 C5 D6 C6 D7 C7 D8 C8 D9 C9 D10" << "9|9|per|dieci";
    QTest::newRow("storm ending on an answer: its outcome follows the exercise")
        << "D1 ~ C1 D2 C2 D3 C3 D4 C4" << "9|9|per|quattro|Sbagliato|36";
    QTest::newRow("new exercise after new exercise: only the one on display")
        << "D1 ~ D2 D3 D4 D5 D6 D7 D8 D9 D2" << "9|9|per|due";
    QTest::newRow("outcomes without a new exercise are all said")
        << "D1 ~ C1 C1 P1" << "9|per|uno|Sbagliato|9|Sbagliato|9|Esatto|9";
}

void TestAgentControl::aNewExerciseLeavesTheWizardOneExerciseBehindAtMost()
{
    QFETCH(QString, routines);
    QFETCH(QString, said);
    QStringList started, finished, spoken;
    FloatingCharacter *c = floating();
    connect(c, &FloatingCharacter::requestStarted, this, [&](const QString &r) {
        started << r;
        if (r.startsWith(QLatin1String("Speak(")))
            spoken << r.mid(6).chopped(1);
    });
    connect(c, &FloatingCharacter::requestFinished, this, [&](const QString &r) { finished << r; });
    QSignalSpy dropped(c, &FloatingCharacter::requestDropped);
    int issued = 0;
    QString firstWords;
    int heard = 0;
    auto issue = [&](const QString &group) {
        for (const QString &routine : group.split(u' ')) {
            firstWords = routine.startsWith(u'I') ? QStringLiteral("Allora attenzione")
                : routine.startsWith(u'D')        ? QStringLiteral("9")
                : routine.startsWith(u'C')        ? QStringLiteral("Sbagliato")
                                                  : QStringLiteral("Esatto");
            heard = int(spoken.count(firstWords));
            const int pending = c->pendingCount();
            issueRoutine(routine);
            issued += c->pendingCount() - pending;
        }
    };
    const QStringList groups = routines.split(QStringLiteral(" ~ "));
    issue(groups.first());
    // Each later group comes the moment the wizard starts saying the last routine's first
    // words, as a key press would, however long the test itself takes to look.
    int next = 1;
    connect(c, &FloatingCharacter::requestStarted, this, [&](const QString &) {
        if (next < groups.size() && spoken.count(firstWords) > heard)
            issue(groups.at(next++));
    });
    QTRY_COMPARE_WITH_TIMEOUT(next, int(groups.size()), kTimeout);
    issued += dropped.size();
    waitUntilIdle();
    QCOMPARE(spoken.join(u'|'), said);
    // Nothing was cut short, nothing performed twice or lost without a word.
    QCOMPARE(finished, started);
    QCOMPARE(started.size() + dropped.size(), issued);
}

void TestAgentControl::longTextsWrapInsideABalloonOnTheScreen_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("leastLines");
    QTest::newRow("a name of 10 000 letters and no space") << QString(10000, u'W') << 100;
    QTest::newRow("a name of 40 letters") << QString(40, u'm') << 2;
    QTest::newRow("words") << QStringLiteral("Ti nomino cavaliere della tabellina, il massimo ordine per un eroe") << 2;
    QTest::newRow("a short word") << QStringLiteral("Esatto") << 1;
}

void TestAgentControl::longTextsWrapInsideABalloonOnTheScreen()
{
    QFETCH(QString, text);
    QFETCH(int, leastLines);
    merlin().Show();
    merlin().MoveTo(250, 175);
    merlin().Speak(text);
    BalloonWindow *balloon = floating()->balloon();
    QTRY_VERIFY_WITH_TIMEOUT(balloon->isVisible() && balloon->fullText() == text, kTimeout);
    QVERIFY(balloon->lineCount() >= leastLines);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.contains(balloon->geometry()), qPrintable(QStringLiteral("%1x%2+%3+%4").arg(balloon->width())
                                                                 .arg(balloon->height()).arg(balloon->x()).arg(balloon->y())));
    QVERIFY(balloon->width() <= 300);
    m_control.reset(); // no need to hear all of it
}

void TestAgentControl::noRequestShowsAWindowBehindTheStackingsBack()
{
    auto stacking = std::make_unique<AwayStacking>();
    AwayStacking *away = stacking.get();
    makeControl(std::move(stacking));
    issueRoutine(QStringLiteral("I1"));
    issueRoutine(QStringLiteral("D3"));
    waitUntilIdle();
    QVERIFY(away->askedToShow.contains(floating()->window()));
    QCOMPARE(away->appeared, 0);
}

QTEST_MAIN(TestAgentControl)
#include "tst_agentcontrol.moc"
