// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"
#include "fakes/Fakes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}
const QString kIntro = QStringLiteral(
    "Speak Allora attenzione, iniziamo la nostra avventura con la tabellina del 9. Io detto e tu "
    "scrivi il risultato nello spazio sotto di me. Mi raccomando inserisci il risultato e premi "
    "invio e poi aspetta che io finisca di parlare e premi ancora invio per avere la domanda "
    "successiva");
} // namespace

// A whole game: its start, its countdown, its end and the record files.
class GameTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installFontSubstitutes(); }
    void init();
    void cleanup() { m_game.reset(); }

    void startAsksTheNameGreetsAndIntroducesTheGame();
    void aWindowMadeAfterItsFirstBoxEndsUpTheSame();
    void namesAreKeptAsTypedOrBecomeAmico_data();
    void namesAreKeptAsTypedOrBecomeAmico();
    void firstRunCreatesEmptyRecordFiles();
    void startShowsAndKeepsExistingRecordFiles();
    void activationDictatesAndZeroesTheCounters();
    void aMissingCharacterFileEndsTheStartWithAnError();
    void noRecordDirectoryIsAnErrorNotTheRoot();
    void recordDirectoryPathIsJoinedWithOneSeparator();
    void oddRecordFilesStillGiveAGame_data();
    void oddRecordFilesStillGiveAGame();
    void unusableRecordFilesEndWithAClearError_data();
    void unusableRecordFilesEndWithAClearError();
    void aVeryLongNameIsPlayedAndStored();

    void countdownShowsHoursMinutesSecondsAndEndsOneTickAfterZero();
    void noTickCountsBeforeTheFirstExerciseIsOnDisplay();
    void ticksDuringTheGoodbyeDoNotStartTheEndAgain();

    void beatingTheRecordRewritesBothFilesExactly();
    void anEqualOrLowerScoreWritesNothing_data();
    void anEqualOrLowerScoreWritesNothing();
    void aSaveEndsWithTheOldPairOrTheNewPairWhole_data();
    void aSaveEndsWithTheOldPairOrTheNewPairWhole();
    void theStartCompletesOrUndoesAnInterruptedSave_data();
    void theStartCompletesOrUndoesAnInterruptedSave();
    void recordFilesThatAreLinksAreNeverWrittenThrough();
    void recordBoxEndsWithADoubleQuote();
    void aSaveWritesOnlyOverTheRecordOnTheDiskNow_data();
    void aSaveWritesOnlyOverTheRecordOnTheDiskNow();

private:
    Tavola &window() { return *m_game->window; }
    QString dir() const { return m_game->home.path(); }
    QString score() const { return m_game->recordFile(QStringLiteral("aquizrec9.txt")); }
    QString holder() const { return m_game->recordFile(QStringLiteral("nquizrec9.txt")); }
    void startGame();
    void scoreCorrectAnswers(int count);
    std::unique_ptr<Game> m_game;
};

void GameTest::init()
{
    m_game = std::make_unique<Game>();
}

void GameTest::startGame()
{
    window().load();
    window().show();
    QVERIFY(QTest::qWaitForWindowActive(&window()));
    QTRY_COMPARE(window().lblconto->caption(), QStringLiteral("00.07.00"));
}

void GameTest::scoreCorrectAnswers(int count)
{
    for (int i = 0; i < count; ++i) {
        window().Text3->setText(window().Text7->text());
        window().Command3_Click();
    }
}

void GameTest::aWindowMadeAfterItsFirstBoxEndsUpTheSame()
{
    // The program makes its controls while the name box is up; if the box is answered before
    // that, the load routine makes them itself.
    Game later;
    later.window = std::make_unique<Tavola>(
        TavolaHost{later.agent, later.dialogs, later.random, later.directory, later.end}, nullptr, Tavola::Finish::Later);
    QVERIFY(!later.window->lblnome1);
    later.dialogs.name = QStringLiteral("Ada");
    m_game->dialogs.name = QStringLiteral("Ada");
    later.window->load();
    window().load();
    QVERIFY(later.end.statuses.isEmpty());
    QCOMPARE(later.window->lblnome1->caption(), QStringLiteral("Ada"));
    QCOMPARE(later.agent.requests, m_game->agent.requests);
    const QList<QWidget *> made = later.window->findChildren<QWidget *>();
    const QList<QWidget *> built = window().findChildren<QWidget *>();
    QCOMPARE(made.size(), built.size());
    for (qsizetype i = 0; i < made.size(); ++i) {
        QCOMPARE(made[i]->objectName(), built[i]->objectName());
        QCOMPARE(made[i]->geometry(), built[i]->geometry());
        QCOMPARE(made[i]->font(), built[i]->font());
        QCOMPARE(made[i]->isVisibleTo(later.window.get()), built[i]->isVisibleTo(&window()));
    }
    QCOMPARE(later.window->pos(), window().pos());
    QCOMPARE(later.window->focusWidget(), later.window->cmdExit1);
}

void GameTest::startAsksTheNameGreetsAndIntroducesTheGame()
{
    m_game->dialogs.name = QStringLiteral("Ada");
    window().load();
    QCOMPARE(m_game->dialogs.prompts, QStringList{QStringLiteral("Come ti chiami?")});
    QCOMPARE(m_game->dialogs.boxes, QStringList{QStringLiteral(" Ada vediamo se sei un vero campione  ")});
    QCOMPARE(m_game->agent.requests,
             (QStringList{"Load Merlin C:\\WINDOWS\\msagent\\chars\\Merlin.acs", "Show", "MoveTo 250 175",
                          "Play Announce", "Height 205", kIntro}));
    QCOMPARE(window().lblconto->caption(), QStringLiteral("00:00:00"));
    QVERIFY(window().Timer1->isActive());
    QCOMPARE(formatCountdown(window().conto, QStringLiteral(":")), QStringLiteral("00:07:00"));
    QVERIFY(window().lblNum1->isHidden() && window().lblNum2->isHidden() && window().Label10->isHidden());
    QVERIFY(m_game->end.statuses.isEmpty());
}

void GameTest::namesAreKeptAsTypedOrBecomeAmico_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("greeting");
    QTest::newRow("cancel or empty") << QString() << "Amico" << "  vediamo se sei un vero campione  ";
    QTest::newRow("spaces kept") << "  Leo " << "  Leo " << "   Leo  vediamo se sei un vero campione  ";
    QTest::newRow("only spaces") << " " << " " << "   vediamo se sei un vero campione  ";
    QTest::newRow("markup is text") << "<b>Zoe</b>" << "<b>Zoe</b>" << " <b>Zoe</b> vediamo se sei un vero campione  ";
}

void GameTest::namesAreKeptAsTypedOrBecomeAmico()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, greeting);
    m_game->dialogs.name = typed;
    window().load();
    QCOMPARE(m_game->dialogs.boxes.value(0), greeting);
    QCOMPARE(window().lblnome1->caption(), shown);
    QCOMPARE(window().Txtnome1->text(), shown);
    QCOMPARE(window().lblnome1->textFormat(), Qt::PlainText);
}

void GameTest::firstRunCreatesEmptyRecordFiles()
{
    window().load();
    QCOMPARE(bytesOf(score()), QByteArray());
    QCOMPARE(bytesOf(holder()), QByteArray());
    QCOMPARE(window().lblpunti->caption(), QString());
    QCOMPARE(window().lblnome->caption(), QString());
    QVERIFY(window().cartella.endsWith(u'/'));
}

void GameTest::startShowsAndKeepsExistingRecordFiles()
{
    write(score(), "12\r\n");
    write(holder(), "Niccol\xF2\r\n");
    const QDateTime modified = QFileInfo(score()).lastModified();
    window().load();
    QCOMPARE(window().lblpunti->caption(), QStringLiteral("12\r\n"));
    QCOMPARE(window().lblnome->caption(), QStringLiteral("Niccol\u00f2\r\n"));
    QCOMPARE(bytesOf(score()), QByteArray("12\r\n"));
    QCOMPARE(bytesOf(holder()), QByteArray("Niccol\xF2\r\n"));
    QCOMPARE(QFileInfo(score()).lastModified(), modified);
}

void GameTest::activationDictatesAndZeroesTheCounters()
{
    m_game->random.next(3, 4);
    startGame();
    Tavola &w = window();
    QCOMPARE(w.Text7->text(), QStringLiteral("36"));
    QCOMPARE(m_game->agent.requests.mid(6, 7),
             (QStringList{"Show", "MoveTo 250 175", "Play Greet", "Height 205", "Speak 9", "Speak per", "Speak quattro"}));
    QCOMPARE(int(w.nesatte), 0);
    QCOMPARE(int(w.nerrate), 0);
    for (Label *counter : {w.lblScore, w.lblScore1, w.lblScore2})
        QCOMPARE(counter->caption(), QStringLiteral("0"));
    QCOMPARE(QApplication::focusWidget(), w.Text3);
    QVERIFY(!w.cmdNext->isEnabled());
}

void GameTest::aMissingCharacterFileEndsTheStartWithAnError()
{
    m_game->agent.refuse = QStringLiteral("Load Merlin C:\\WINDOWS\\msagent\\chars\\Merlin.acs");
    window().load();
    QCOMPARE(m_game->end.statuses, QList<int>{1});
    QCOMPARE(m_game->dialogs.boxes.size(), 2);
    QVERIFY(m_game->dialogs.boxes.at(1).contains(QStringLiteral("Richiesta rifiutata")));
    QVERIFY(m_game->agent.requests.isEmpty());
    QCOMPARE(bytesOf(score()), QByteArray()); // what came before the failure is done
}

void GameTest::noRecordDirectoryIsAnErrorNotTheRoot()
{
    m_game->directory.path = QStringLiteral("   ");
    window().load();
    QCOMPARE(m_game->end.statuses, QList<int>{1});
    QVERIFY(m_game->dialogs.boxes.last().contains(QStringLiteral("cartella dei record")));

    Game unwritable;
    unwritable.directory.path = unwritable.home.filePath(QStringLiteral("a-file"));
    write(unwritable.directory.path, "not a folder");
    unwritable.window->load();
    QCOMPARE(unwritable.end.statuses, QList<int>{1});
    QVERIFY(unwritable.dialogs.boxes.last().contains(QStringLiteral("aquizrec9.txt")));
}

void GameTest::recordDirectoryPathIsJoinedWithOneSeparator()
{
    m_game->directory.path = dir() + QStringLiteral("/ ");
    window().load();
    QCOMPARE(window().cartella, dir() + QStringLiteral("/"));
    QVERIFY(QFile::exists(score()));
}

void GameTest::oddRecordFilesStillGiveAGame_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("beaten"); // by a score of 3
    QTest::newRow("not a number") << QByteArray("tanti\r\n") << true;
    QTest::newRow("binary") << QByteArray("\x00\xff\x1a\x80\x9d\r\n\x00", 8) << true;
    QTest::newRow("number then words") << QByteArray("2 punti") << true;
    QTest::newRow("no line end") << QByteArray("7") << false;
    QTest::newRow("enormous number") << QByteArray("99999999999999999999999\r\n") << false;
    QTest::newRow("just under the size limit") << QByteArray(64 * 1024, '1') << false;
}

void GameTest::oddRecordFilesStillGiveAGame()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, beaten);
    write(score(), content);
    startGame();
    QCOMPARE(window().lblpunti->caption().size(), content.size());
    scoreCorrectAnswers(3);
    window().cmdExit1_Click();
    QCOMPARE(m_game->end.statuses, QList<int>{0});
    QCOMPARE(bytesOf(score()), beaten ? QByteArray("3\r\n") : content);
}

void GameTest::unusableRecordFilesEndWithAClearError_data()
{
    QTest::addColumn<QString>("problem");
    QTest::newRow("too large") << "large";
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("a pipe in its place, which would block reading") << "pipe";
}

void GameTest::unusableRecordFilesEndWithAClearError()
{
    QFETCH(QString, problem);
    if (problem == QLatin1String("large"))
        write(holder(), QByteArray(64 * 1024 + 1, 'x'));
    else if (problem == QLatin1String("folder"))
        QVERIFY(QDir(dir()).mkdir(QStringLiteral("nquizrec9.txt")));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(holder()).constData(), 0644), 0);
    window().load();
    QCOMPARE(m_game->end.statuses, QList<int>{1});
    // The path as a parent reads it, with one separator between folder and file.
    QVERIFY2(m_game->dialogs.boxes.last().contains(QDir::cleanPath(holder())), qPrintable(m_game->dialogs.boxes.last()));
    QVERIFY(m_game->agent.requests.isEmpty());
    if (problem == QLatin1String("large"))
        QCOMPARE(QFileInfo(holder()).size(), 64 * 1024 + 1); // reported, never cut
    if (problem == QLatin1String("folder"))
        QVERIFY(m_game->dialogs.boxes.last().contains(QStringLiteral("(\u00e8 una cartella)")));
    if (problem == QLatin1String("pipe"))
        QVERIFY(m_game->dialogs.boxes.last().contains(QStringLiteral("(non \u00e8 un file normale)")));
}

void GameTest::aVeryLongNameIsPlayedAndStored()
{
    const QString name = QString(10000, u'n') + QStringLiteral("\u00f2\u4e2d");
    m_game->dialogs.name = name;
    startGame();
    QCOMPARE(window().lblnome1->pos(), QPoint(8, 480));
    scoreCorrectAnswers(4); // the fourth answer says the name
    QVERIFY(m_game->agent.requests.contains(QStringLiteral("Speak ") + name));
    window().cmdExit1_Click();
    QCOMPARE(bytesOf(holder()), QByteArray(10000, 'n') + "\xF2zhong\r\n"); // 中 in Latin letters
}

void GameTest::countdownShowsHoursMinutesSecondsAndEndsOneTickAfterZero()
{
    startGame();
    Tavola &w = window();
    w.Timer1->stop(); // the test drives the ticks
    QStringList shown;
    for (int tick = 1; tick <= 420; ++tick) {
        w.Timer1_Timer();
        shown << w.lblconto->caption();
    }
    QCOMPARE(shown.at(0), QStringLiteral("00:06:59"));
    QCOMPARE(shown.at(120), QStringLiteral("00:04:59"));
    QCOMPARE(shown.at(419), QStringLiteral("00:00:00"));
    QVERIFY(m_game->dialogs.boxes.size() == 1 && m_game->end.statuses.isEmpty());
    w.Timer1_Timer();
    QCOMPARE(m_game->dialogs.boxes.last(), QStringLiteral("Ciao. Ti aspetto per la prossima sfida "));
    QCOMPARE(m_game->end.statuses, QList<int>{0});
}

void GameTest::noTickCountsBeforeTheFirstExerciseIsOnDisplay()
{
    window().load();
    QCOMPARE(window().lblconto->caption(), QStringLiteral("00:00:00"));
    for (int i = 0; i < 5; ++i)
        window().Timer1_Timer(); // a window that takes seconds to appear
    QVERIFY(m_game->end.statuses.isEmpty());
    window().show();
    QVERIFY(QTest::qWaitForWindowActive(&window()));
    QTRY_COMPARE(window().lblconto->caption(), QStringLiteral("00.07.00"));
    window().Timer1_Timer();
    QCOMPARE(window().lblconto->caption(), QStringLiteral("00:06:59"));
}

void GameTest::ticksDuringTheGoodbyeDoNotStartTheEndAgain()
{
    startGame();
    Tavola &w = window();
    w.Timer1->stop();
    for (int tick = 1; tick <= 420; ++tick)
        w.Timer1_Timer();
    int ticksInBoxes = 0;
    m_game->dialogs.onBox = [&](const QString &) {
        ++ticksInBoxes;
        w.Timer1_Timer(); // a tick handled while the box is open
        w.Timer1_Timer();
    };
    w.Timer1_Timer();
    QCOMPARE(ticksInBoxes, 1);
    QCOMPARE(m_game->dialogs.boxes.count(QStringLiteral("Ciao. Ti aspetto per la prossima sfida ")), 1);
    QCOMPARE(m_game->end.statuses, QList<int>{0});
}

void GameTest::beatingTheRecordRewritesBothFilesExactly()
{
    write(score(), "12\r\n");
    write(holder(), "Bob\r\n");
    m_game->dialogs.name = QStringLiteral("Niccol\u00f2 \u03b1");
    startGame();
    scoreCorrectAnswers(13);
    window().cmdExit1_Click();
    QCOMPARE(bytesOf(score()), QByteArray("13\r\n"));
    QCOMPARE(bytesOf(holder()), QByteArray("Niccol\xF2 a\r\n")); // α in Latin letters
    QCOMPARE(int(window().attesa), 1001);
    QCOMPARE(m_game->end.statuses, QList<int>{0});
    QCOMPARE(QDir(dir()).entryList(QDir::Files), (QStringList{"aquizrec9.txt", "nquizrec9.txt", "quizrec9.lock"}));

    Game amico;
    amico.directory.path = amico.home.path();
    amico.window->load();
    amico.window->show();
    QVERIFY(QTest::qWaitForWindowActive(amico.window.get()));
    QTRY_COMPARE(amico.window->lblconto->caption(), QStringLiteral("00.07.00"));
    amico.window->Text3->setText(amico.window->Text7->text());
    amico.window->Command3_Click();
    amico.window->cmdExit1_Click();
    QCOMPARE(bytesOf(amico.recordFile(QStringLiteral("aquizrec9.txt"))), QByteArray("1\r\n"));
    QCOMPARE(bytesOf(amico.recordFile(QStringLiteral("nquizrec9.txt"))), QByteArray("Amico\r\n"));
}

void GameTest::anEqualOrLowerScoreWritesNothing_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("correct");
    QTest::newRow("first game, no answers") << QByteArray() << 0;
    QTest::newRow("equal") << QByteArray("12\r\n") << 12;
    QTest::newRow("lower") << QByteArray("12\r\n") << 3;
    QTest::newRow("padded record") << QByteArray(" 1 5\r\n") << 15;
}

void GameTest::anEqualOrLowerScoreWritesNothing()
{
    QFETCH(QByteArray, record);
    QFETCH(int, correct);
    write(score(), record);
    write(holder(), "Bob\r\n");
    startGame();
    scoreCorrectAnswers(correct);
    window().cmdExit1_Click();
    QCOMPARE(m_game->dialogs.boxes.last(), QStringLiteral("Ciao. Ti aspetto per la prossima sfida "));
    QCOMPARE(bytesOf(score()), record);
    QCOMPARE(bytesOf(holder()), QByteArray("Bob\r\n"));
    QCOMPARE(m_game->end.statuses, QList<int>{0});
}

void GameTest::aSaveEndsWithTheOldPairOrTheNewPairWhole_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder left where the new holder goes is cleared away") << "holder.new folder" << true << "";
    QTest::newRow("a folder in the holder's place: nothing changes")
        << "holder folder" << false << "nquizrec9.txt (\u00e8 una cartella)";
    QTest::newRow("a folder in the score's place: the holder goes back")
        << "score folder" << false << "aquizrec9.txt (\u00e8 una cartella)";
}

void GameTest::aSaveEndsWithTheOldPairOrTheNewPairWhole()
{
    QFETCH(QString, obstacle);
    QFETCH(bool, saved);
    QFETCH(QString, reason);
    write(score(), "2\r\n");
    write(holder(), "Bob\r\n");
    m_game->dialogs.name = QStringLiteral("Ada");
    startGame();
    scoreCorrectAnswers(5);
    const QString target = obstacle.startsWith(u's') ? score() : holder();
    const QString place = obstacle.endsWith(QLatin1String(".new folder")) ? target + QStringLiteral(".new") : target;
    QFile::remove(place);
    QVERIFY(QDir().mkpath(place + QStringLiteral("/inside")));
    window().handle([this] { window().cmdExit1_Click(); });

    QCOMPARE(m_game->end.statuses, QList<int>{saved ? 0 : 1});
    if (saved) {
        QCOMPARE(bytesOf(score()), QByteArray("5\r\n"));
        QCOMPARE(bytesOf(holder()), QByteArray("Ada\r\n"));
    } else {
        QVERIFY2(m_game->dialogs.boxes.last().contains(reason), qPrintable(m_game->dialogs.boxes.last()));
        QCOMPARE(bytesOf(target == score() ? holder() : score()), target == score() ? QByteArray("Bob\r\n") : QByteArray("2\r\n"));
        QVERIFY(QFileInfo(target).isDir());
    }
    // No journal, no ".new" or ".old" left behind; the lock stays for the next save.
    QStringList files{"aquizrec9.txt", "nquizrec9.txt", "quizrec9.lock"};
    if (!saved)
        files.removeOne(QFileInfo(target).fileName());
    QCOMPARE(QDir(dir()).entryList(QDir::Files | QDir::Hidden), files);
}

void GameTest::theStartCompletesOrUndoesAnInterruptedSave_data()
{
    // What a crash left in the folder; what the next start must show.
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QString>("shown");
    QTest::newRow("new files written, no journal yet") << QStringList{"score.new", "holder.new", "holder.old"} << "old";
    QTest::newRow("journal written") << QStringList{"score.new", "holder.new", "holder.old", "journal"} << "new";
    QTest::newRow("holder in place") << QStringList{"score.new", "holder.old", "holder=new", "journal"} << "new";
    QTest::newRow("both in place") << QStringList{"holder.old", "holder=new", "score=new", "journal"} << "new";
    QTest::newRow("journal half written") << QStringList{"score.new", "holder.new", "journal.tmp"} << "old";
    QTest::newRow("going back: the holder still new") << QStringList{"score.new", "holder.old", "holder=new", "undo"} << "old";
    QTest::newRow("going back: the holder back already") << QStringList{"score.new", "undo"} << "old";
    QTest::newRow("holder in place, the score refuses: back to the old holder")
        << QStringList{"score.new", "holder.old", "holder=new", "journal", "score folder"} << "old";
    // Whatever else lies at the names of the save's own files is cleared, never waited on.
    for (const char *name : {"quizrec9.journal", "quizrec9.journal.undo", "quizrec9.journal.tmp", "nquizrec9.txt.new"}) {
        QTest::addRow("a pipe at %s", name) << QStringList{QStringLiteral("pipe:") + QLatin1String(name)} << "old";
        QTest::addRow("a folder at %s", name) << QStringList{QStringLiteral("folder:") + QLatin1String(name)} << "old";
    }
}

void GameTest::theStartCompletesOrUndoesAnInterruptedSave()
{
    QFETCH(QStringList, left);
    QFETCH(QString, shown);
    write(score(), "2\r\n");
    write(holder(), "Bob\r\n");
    for (const QString &thing : left) {
        if (thing == QLatin1String("score.new"))
            write(score() + ".new", "5\r\n");
        else if (thing == QLatin1String("holder.new"))
            write(holder() + ".new", "Ada\r\n");
        else if (thing == QLatin1String("holder.old"))
            QVERIFY(QFile::copy(holder(), holder() + ".old"));
        else if (thing == QLatin1String("holder=new"))
            write(holder(), "Ada\r\n");
        else if (thing == QLatin1String("score=new"))
            write(score(), "5\r\n");
        else if (thing == QLatin1String("journal"))
            write(m_game->recordFile("quizrec9.journal"), (holder() + QChar(0) + score() + QChar(0)).toUtf8());
        else if (thing == QLatin1String("undo"))
            write(m_game->recordFile("quizrec9.journal.undo"), (holder() + QChar(0) + score() + QChar(0)).toUtf8());
        else if (thing == QLatin1String("journal.tmp"))
            write(m_game->recordFile("quizrec9.journal.tmp"), holder().toUtf8());
        else if (thing == QLatin1String("score folder")) {
            QVERIFY(QFile::remove(score()));
            QVERIFY(QDir().mkpath(score() + "/inside"));
        } else if (thing.startsWith(QLatin1String("pipe:")))
            QCOMPARE(::mkfifo(QFile::encodeName(m_game->recordFile(thing.mid(5))).constData(), 0644), 0);
        else if (thing.startsWith(QLatin1String("folder:")))
            QVERIFY(QDir().mkpath(m_game->recordFile(thing.mid(7)) + "/inside"));
    }
    const bool blocked = left.contains(QStringLiteral("score folder"));
    if (blocked) {
        // The folder is an obstacle only for putting the score in place; the start then
        // cannot read it, which is reported: what matters is the holder.
        window().load();
        QCOMPARE(bytesOf(holder()), QByteArray("Bob\r\n"));
        QVERIFY(!QFile::exists(m_game->recordFile("quizrec9.journal")));
        return;
    }
    startGame();
    QCOMPARE(window().lblpunti->caption(), shown == QLatin1String("new") ? QStringLiteral("5\r\n") : QStringLiteral("2\r\n"));
    QCOMPARE(window().lblnome->caption(), shown == QLatin1String("new") ? QStringLiteral("Ada\r\n") : QStringLiteral("Bob\r\n"));
    QCOMPARE(QDir(dir()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"aquizrec9.txt", "nquizrec9.txt", "quizrec9.lock"}));
}

void GameTest::recordFilesThatAreLinksAreNeverWrittenThrough()
{
    // A link planted at a record file's name could lead the save anywhere: it is refused.
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("punti.txt");
    write(target, "2\r\n");
    write(holder(), "Bob\r\n");
    QVERIFY(QFile::link(target, score()));
    m_game->dialogs.name = QStringLiteral("Ada");
    startGame();
    scoreCorrectAnswers(3);
    window().handle([this] { window().cmdExit1_Click(); });
    QCOMPARE(m_game->end.statuses, QList<int>{1});
    QVERIFY2(m_game->dialogs.boxes.last().contains(QStringLiteral("aquizrec9.txt (\u00e8 un collegamento simbolico)")),
             qPrintable(m_game->dialogs.boxes.last()));
    QCOMPARE(bytesOf(target), QByteArray("2\r\n"));
    QCOMPARE(bytesOf(holder()), QByteArray("Bob\r\n"));
    QVERIFY(QFileInfo(score()).isSymLink());
}

void GameTest::recordBoxEndsWithADoubleQuote()
{
    startGame();
    scoreCorrectAnswers(1);
    window().cmdExit1_Click();
    QCOMPARE(m_game->dialogs.boxes.last(), QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E\""));
}

void GameTest::aSaveWritesOnlyOverTheRecordOnTheDiskNow_data()
{
    QTest::addColumn<QByteArray>("changedTo");
    QTest::addColumn<int>("correct");
    QTest::addColumn<QByteArray>("scoreAfter");
    QTest::addColumn<QByteArray>("holderAfter");
    // The record shown at start was 5 by Bob; another game changes the files meanwhile.
    QTest::newRow("raised above the score: nothing written") << QByteArray("100\r\n") << 6
                                                             << QByteArray("100\r\n") << QByteArray("Bob\r\n");
    QTest::newRow("raised to the score: nothing written") << QByteArray("6\r\n") << 6
                                                          << QByteArray("6\r\n") << QByteArray("Bob\r\n");
    QTest::newRow("raised below the score: beaten") << QByteArray("5 \r\n") << 6
                                                    << QByteArray("6\r\n") << QByteArray("Ada\r\n");
    QTest::newRow("lowered, under the start's record: not tried") << QByteArray("1\r\n") << 3
                                                                  << QByteArray("1\r\n") << QByteArray("Bob\r\n");
}

void GameTest::aSaveWritesOnlyOverTheRecordOnTheDiskNow()
{
    QFETCH(QByteArray, changedTo);
    QFETCH(int, correct);
    QFETCH(QByteArray, scoreAfter);
    QFETCH(QByteArray, holderAfter);
    write(score(), "5\r\n");
    write(holder(), "Bob\r\n");
    m_game->dialogs.name = QStringLiteral("Ada");
    startGame();
    write(score(), changedTo);
    scoreCorrectAnswers(correct);
    window().cmdExit1_Click();
    QCOMPARE(bytesOf(score()), scoreAfter);
    QCOMPARE(bytesOf(holder()), holderAfter);
    // The box says the record was registered only when it was.
    const bool registered = scoreAfter != changedTo;
    QCOMPARE(m_game->dialogs.boxes.last() == QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E\""), registered);
    QCOMPARE(m_game->end.statuses, QList<int>{0});
}

QTEST_MAIN(GameTest)
#include "tst_game.moc"
