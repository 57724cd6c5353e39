// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"
#include "platform/ScreenReaderBridge.h"
#include "fakes/Fakes.h"
#include "quiz/ScreenReaderText.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

// What a screen reader gets from the window: the texts it reads when the focus moves, the
// labels' names, and the locale request it is answered.
class AccessTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installFontSubstitutes(); }
    void init();
    void cleanup() { m_game.reset(); }

    void outcomeSentenceEndsEachPhrase_data();
    void outcomeSentenceEndsEachPhrase();
    void focusAfterEnterBringsOutcomeAndCountersNotTheToolTip_data();
    void focusAfterEnterBringsOutcomeAndCountersNotTheToolTip();
    void answerBoxCarriesTheExerciseAndTakesFocusBeforeEmptying();
    void labelsAreReadAsTheyShow();
    void windowNameHasNoLeadingSpacesButTheCaptionKeepsThem();
    void onlyLocaleRequestsAreAnsweredByTheProgram_data();
    void onlyLocaleRequestsAreAnsweredByTheProgram();

private:
    Tavola &window() { return *m_game->window; }
    static QString said(QWidget *widget, QAccessible::Text what)
    {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        return face ? face->text(what) : QStringLiteral("<none>");
    }
    void answer(const QString &text)
    {
        window().Text3->setText(text);
        Integer enter = 13;
        window().Text3_KeyPress(enter);
    }
    std::unique_ptr<Game> m_game;
};

void AccessTest::init()
{
    m_game = std::make_unique<Game>();
    m_game->agent.loaded << kMerlinId;
    window().Txtnome1->setText(QStringLiteral("Ada"));
}

void AccessTest::outcomeSentenceEndsEachPhrase_data()
{
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("wrong");
    QTest::addColumn<QString>("sentence");
    QTest::newRow("right") << "Esatto. Sei forte!!!" << 1 << 0
                           << "Esatto. Sei forte!!! Risposte esatte 1, errate 0, totali 1";
    QTest::newRow("wrong ends in the product") << "Sbagliato!! 27" << 3 << 12
                                               << "Sbagliato!! 27. Risposte esatte 3, errate 12, totali 15";
    QTest::newRow("no outcome") << "" << 0 << 0 << "Risposte esatte 0, errate 0, totali 0";
}

void AccessTest::outcomeSentenceEndsEachPhrase()
{
    QFETCH(QString, outcome);
    QFETCH(int, right);
    QFETCH(int, wrong);
    QTEST(outcomeForScreenReader(outcome, right, wrong), "sentence");
}

void AccessTest::focusAfterEnterBringsOutcomeAndCountersNotTheToolTip_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("description");
    QTest::newRow("right") << QStringList{"27"} << "Esatto. Sei forte!!! Risposte esatte 1, errate 0, totali 1";
    QTest::newRow("wrong") << QStringList{"26"} << "Sbagliato!! 27. Risposte esatte 0, errate 1, totali 1";
    QTest::newRow("right then wrong") << QStringList{"27", ""}
                                      << "Sbagliato!! 27. Risposte esatte 1, errate 1, totali 2";
}

void AccessTest::focusAfterEnterBringsOutcomeAndCountersNotTheToolTip()
{
    QFETCH(QStringList, answers);
    Tavola &w = window();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (const QString &reply : answers) {
        m_game->random.next(1, 3);
        w.cmdNext_Click();
        answer(reply);
    }
    QCOMPARE(QApplication::focusWidget(), w.cmdNext);
    QTEST(said(w.cmdNext, QAccessible::Description), "description");
    QCOMPARE(w.cmdNext->toolTip(), QStringLiteral("Usa il tasto Return(invio) per l'esercizio successivo"));
}

void AccessTest::answerBoxCarriesTheExerciseAndTakesFocusBeforeEmptying()
{
    Tavola &w = window();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    m_game->random.next(1, 3);
    w.cmdNext_Click();
    answer(QStringLiteral("27"));
    QCOMPARE(QApplication::focusWidget(), w.cmdNext);

    // What the box holds when the focus arrives: a screen reader announces a focus move
    // only if the box is emptied after it.
    QStringList atFocus;
    struct Watch : QObject
    {
        QStringList *seen;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::FocusIn)
                *seen << static_cast<QLineEdit *>(o)->text();
            return false;
        }
    } watch;
    watch.seen = &atFocus;
    w.Text3->installEventFilter(&watch);
    m_game->random.next(1, 7);
    w.cmdNext_Click();
    w.Text3->removeEventFilter(&watch);

    QCOMPARE(atFocus, QStringList{QStringLiteral("27")});
    QVERIFY(w.Text3->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), w.Text3);
    QCOMPARE(said(w.Text3, QAccessible::Name), QStringLiteral("Risultato"));
    QCOMPARE(said(w.Text3, QAccessible::Description), QStringLiteral("9 per sette"));
}

void AccessTest::labelsAreReadAsTheyShow()
{
    Tavola &w = window();
    m_game->random.next(1, 4);
    w.cmdNext_Click();
    answer(QStringLiteral("1"));
    // Each number once, as it shows: its heading is a label of its own.
    QCOMPARE(said(w.lblScore1, QAccessible::Name), QStringLiteral("1"));
    QCOMPARE(said(w.Label1, QAccessible::Name), QStringLiteral("Risposte errate"));
    QCOMPARE(said(w.lblMessage, QAccessible::Name), QStringLiteral("Sbagliato!! 36"));
    QCOMPARE(said(w.lblNum2, QAccessible::Name), QStringLiteral("4"));
    // No record yet: nothing on the labels, nothing to read.
    w.lblnome->setCaption(QString());
    QCOMPARE(said(w.lblnome, QAccessible::Name), QString());
}

void AccessTest::windowNameHasNoLeadingSpacesButTheCaptionKeepsThem()
{
    Tavola &w = window();
    QVERIFY(w.windowTitle().startsWith(QString(83, u' ') + QStringLiteral("TIRLINDO")));
    QCOMPARE(said(&w, QAccessible::Name), QStringLiteral("TIRLINDO - la tabellina del 9"));
}

void AccessTest::onlyLocaleRequestsAreAnsweredByTheProgram_data()
{
    QTest::addColumn<QString>("interface");
    QTest::addColumn<QString>("member");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<bool>("answered");
    const QString props = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");
    QTest::newRow("property") << props << "Get" << QVariantList{accessible, "Locale"} << true;
    QTest::newRow("method") << accessible << "GetLocale" << QVariantList{} << true;
    QTest::newRow("name") << props << "Get" << QVariantList{accessible, "Name"} << false;
    QTest::newRow("other interface") << props << "Get" << QVariantList{"org.a11y.atspi.Text", "Locale"} << false;
    QTest::newRow("all properties") << props << "GetAll" << QVariantList{accessible} << false;
    QTest::newRow("application's own") << "org.a11y.atspi.Application" << "GetLocale" << QVariantList{0u} << false;
}

void AccessTest::onlyLocaleRequestsAreAnsweredByTheProgram()
{
    QFETCH(QString, interface);
    QFETCH(QString, member);
    QFETCH(QVariantList, arguments);
    QTEST(ScreenReaderBridge::answersLocaleRequest(interface, member, arguments), "answered");
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QCOMPARE(ScreenReaderBridge::localeName(), QStringLiteral("it_IT"));
}

QTEST_MAIN(AccessTest)
#include "tst_access.moc"
