// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"
#include "fakes/Fakes.h"
#include "quiz/Gradient.h"

#include <QApplication>
#include <QTest>

// Dictation and answer check, through the real handlers with a recording character.
class QuizTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installFontSubstitutes(); }
    void init();
    void cleanup() { m_game.reset(); }

    void dictationStoresTheExerciseAndDictatesIt_data();
    void dictationStoresTheExerciseAndDictatesIt();
    void dictationHidesTheExerciseLineAndFocusesTheAnswerBox();
    void dictationReseedsAndDrawsTintBeforeFactor();
    void gradientCoversTheSurfaceUntilAKeyIsTyped();
    void gradientFollowsTheTint();

    void correctAnswerClimbsTheLadder_data();
    void correctAnswerClimbsTheLadder();
    void wrongAnswersAreOnlyTheExactDigits_data();
    void wrongAnswersAreOnlyTheExactDigits();
    void countersAddUpAfterEveryCheck();
    void aSecondEnterCountsAgain();
    void anyOtherKeyShowsTheExerciseAndDoesNothingElse();
    void countersStopAtTheirLargestValue();
    void refusedFetchStopsTheCheckBeforeCounting();

    void keyboardAlonePlaysSeveralExercises();

private:
    Tavola &window() { return *m_game->window; }
    QStringList requestsSince(qsizetype from) const { return m_game->agent.requests.mid(from); }
    void dictate(int colore, int num2);
    void answer(const QString &text);
    std::unique_ptr<Game> m_game;
};

void QuizTest::init()
{
    m_game = std::make_unique<Game>();
    m_game->agent.loaded << kMerlinId;
    m_game->dialogs.name = QStringLiteral("Ada");
    window().Txtnome1->setText(QStringLiteral("Ada"));
}

void QuizTest::dictate(int colore, int num2)
{
    m_game->random.next(colore, num2);
    window().cmdNext_Click();
}

void QuizTest::answer(const QString &text)
{
    window().Text3->setText(text);
    Integer enter = 13;
    window().Text3_KeyPress(enter);
}

void QuizTest::dictationStoresTheExerciseAndDictatesIt_data()
{
    QTest::addColumn<int>("num2");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("words");
    QTest::newRow("1") << 1 << "9" << "uno";
    QTest::newRow("3") << 3 << "27" << "tre";
    QTest::newRow("7") << 7 << "63" << "sette";
    QTest::newRow("10") << 10 << "90" << "dieci";
}

void QuizTest::dictationStoresTheExerciseAndDictatesIt()
{
    QFETCH(int, num2);
    QFETCH(QString, product);
    QFETCH(QString, words);
    dictate(5, num2);
    Tavola &w = window();
    QCOMPARE(int(w.num1), 9);
    QCOMPARE(int(w.num2), num2);
    QCOMPARE(int(w.prodotto), product.toInt());
    QCOMPARE(w.Text1->text(), QStringLiteral("9"));
    QCOMPARE(w.lblNum1->caption(), QStringLiteral("9"));
    QCOMPARE(w.lblNum2->caption(), QString::number(num2));
    QCOMPARE(w.Text7->text(), product);
    QCOMPARE(w.Text6->text(), words);
    QCOMPARE(m_game->agent.requests,
             (QStringList{"Show", "MoveTo 250 175", "Play Greet", "Height 205", "Speak 9", "Speak per", "Speak " + words}));
}

void QuizTest::dictationHidesTheExerciseLineAndFocusesTheAnswerBox()
{
    Tavola &w = window();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_VERIFY(!m_game->agent.requests.isEmpty()); // the first exercise
    w.Text3->setText(QStringLiteral("41"));
    for (QWidget *label : {static_cast<QWidget *>(w.lblNum1), static_cast<QWidget *>(w.lblNum2), static_cast<QWidget *>(w.Label10)})
        label->show();
    w.lblMessage->setCaption(QStringLiteral("Sbagliato!! 27"));
    w.cmdNext->setEnabled(true);
    w.cmdNext->setFocus();
    dictate(2, 4);
    QVERIFY(w.lblNum1->isHidden() && w.lblNum2->isHidden() && w.Label10->isHidden());
    QCOMPARE(w.lblNum2->caption(), QStringLiteral("4"));
    QCOMPARE(w.lblMessage->caption(), QString());
    QCOMPARE(w.Text3->text(), QString());
    QCOMPARE(QApplication::focusWidget(), w.Text3);
    QVERIFY(w.cmdNext->isEnabled()); // the dictation leaves the button alone
}

void QuizTest::dictationReseedsAndDrawsTintBeforeFactor()
{
    m_game->random.values = {0.95f, 0.0f};
    window().cmdNext_Click();
    QCOMPARE(m_game->random.reseeds, 1);
    QCOMPARE(int(window().colore), 10);
    QCOMPARE(int(window().num2), 1);
    m_game->random.values = {0.0f, 0.999999f};
    window().cmdNext_Click();
    QCOMPARE(m_game->random.reseeds, 2);
    QCOMPARE(int(window().colore), 1);
    QCOMPARE(int(window().num2), 10);
}

void QuizTest::gradientCoversTheSurfaceUntilAKeyIsTyped()
{
    Tavola &w = window();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    dictate(4, 3);
    // Read what is drawn on the surface itself, under the controls.
    const QImage drawn = w.surface->grab().toImage();
    const int right = drawn.width() - 1, bottom = drawn.height() - 1;
    const QPoint clear(460, 40); // a spot no control covers
    QVERIFY(!w.surface->childAt(clear));
    QCOMPARE(drawn.pixelColor(clear.x(), 0), QColor(180, 80, 0));
    QCOMPARE(drawn.pixelColor(right - 1, bottom).blue(), 255);
    QCOMPARE(drawn.pixelColor(400, bottom), QColor(180, 80, 255));
    QVERIFY(!w.surface->childAt(QPoint(400, bottom)));
    // Kept as one column of bands, drawn right across: each free row is its band's colour
    // at both ends.
    QCOMPARE(w.surface->drawing().size(), QSize(1, qRound(w.surface->height() * w.surface->devicePixelRatioF())));
    int rows = 0;
    for (int band = 0; band < 256; ++band) {
        for (int y = band * drawn.height() / 256; y < (band + 1) * drawn.height() / 256; ++y) {
            for (int x : {clear.x(), 2, right - 1}) {
                if (w.surface->childAt(x, y))
                    continue;
                QCOMPARE(drawn.pixelColor(x, y), gradientBandColor(9, 4, band));
                ++rows;
            }
        }
    }
    QVERIFY(rows > drawn.height());

    QTest::keyClick(w.Text3, Qt::Key_2);
    const QImage cleared = w.surface->grab().toImage();
    QVERIFY(!w.surface->childAt(clear));
    QCOMPARE(cleared.pixelColor(clear), systemColor(0));
    QCOMPARE(cleared.pixelColor(400, bottom), systemColor(0));
    QVERIFY(!w.surface->hasDrawing());
}

void QuizTest::gradientFollowsTheTint()
{
    Tavola &w = window();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    dictate(10, 3);
    QCOMPARE(w.surface->grab().toImage().pixelColor(460, 40).green(), 200);
    dictate(1, 3);
    QCOMPARE(w.surface->grab().toImage().pixelColor(460, 40).green(), 20);
}

void QuizTest::correctAnswerClimbsTheLadder_data()
{
    QTest::addColumn<int>("earlier");
    QTest::addColumn<QStringList>("said");
    const QString n = QStringLiteral("Speak Ada"), r = QStringLiteral("Speak 27");
    const QString e = QStringLiteral("Speak Esatto"), g = QStringLiteral("Speak Giusto");
    const QString c = QStringLiteral("Play congratulate");
    // Every count a game can reach before the phrases run out, one row each.
    QTest::newRow("0") << 0 << QStringList{e, r};
    QTest::newRow("1") << 1 << QStringList{e, r};
    QTest::newRow("2") << 2 << QStringList{e, r, c, "Speak Sei grande"};
    QTest::newRow("3") << 3 << QStringList{e, n, r};
    QTest::newRow("4") << 4 << QStringList{e, r};
    QTest::newRow("5") << 5 << QStringList{e, r, "Play domagic1", "Speak Sei forte"};
    QTest::newRow("6") << 6 << QStringList{e, r};
    QTest::newRow("7") << 7 << QStringList{e, n, r};
    QTest::newRow("8") << 8 << QStringList{e, r};
    QTest::newRow("9") << 9 << QStringList{e, r};
    QTest::newRow("10") << 10 << QStringList{r, c, "Speak Sei sulla buona strada per diventare cavaliere"};
    QTest::newRow("11") << 11 << QStringList{g, r};
    QTest::newRow("12") << 12 << QStringList{g, n, r};
    QTest::newRow("13") << 13 << QStringList{g, r, "Play domagic2", "Speak Sei in gamba"};
    QTest::newRow("14") << 14 << QStringList{g, r, c, "Speak Sei eccezionale"};
    QTest::newRow("15") << 15 << QStringList{g, r};
    QTest::newRow("16") << 16 << QStringList{g, r};
    QTest::newRow("17") << 17 << QStringList{g, r};
    QTest::newRow("18") << 18 << QStringList{g, r, c, "Speak Sei insuperabile"};
    QTest::newRow("19") << 19 << QStringList{g, r};
    QTest::newRow("20") << 20 << QStringList{g, r};
    QTest::newRow("21") << 21 << QStringList{g, n, r};
    QTest::newRow("22") << 22 << QStringList{g, r};
    QTest::newRow("23") << 23 << QStringList{g, r, c, "Speak Ti nomino cavaliere della tabellina, il massimo ordine per un eroe"};
    QTest::newRow("24") << 24 << QStringList{g, r};
    QTest::newRow("25") << 25 << QStringList{g, r};
    QTest::newRow("26") << 26 << QStringList{g, n, r};
    QTest::newRow("27") << 27 << QStringList{g, r, c, "Speak Hai lavorato bene mio leale campione: sei invincibile"};
    QTest::newRow("28") << 28 << QStringList{g, r};
    QTest::newRow("29") << 29 << QStringList{g, r};
    QTest::newRow("30") << 30 << QStringList{g, r};
}

void QuizTest::correctAnswerClimbsTheLadder()
{
    QFETCH(int, earlier);
    QFETCH(QStringList, said);
    Tavola &w = window();
    dictate(1, 3);
    w.nesatte = earlier;
    w.lblScore->setCaption(QString::number(earlier));
    const qsizetype from = m_game->agent.requests.size();
    answer(QStringLiteral("27"));
    QCOMPARE(requestsSince(from), QStringList({"Show", "MoveTo 250 175", "Height 205"}) + said);
    QCOMPARE(w.lblMessage->caption(), QStringLiteral("Esatto. Sei forte!!!"));
    QCOMPARE(w.lblMessage->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(w.lblScore->caption(), QString::number(earlier + 1));
    QCOMPARE(int(w.nesatte), earlier + 1);
}

void QuizTest::wrongAnswersAreOnlyTheExactDigits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << QString();
    QTest::newRow("space before") << QStringLiteral(" 27");
    QTest::newRow("space after") << QStringLiteral("27 ");
    QTest::newRow("leading zero") << QStringLiteral("027");
    QTest::newRow("in words") << QStringLiteral("ventisette");
    QTest::newRow("another product") << QStringLiteral("36");
}

void QuizTest::wrongAnswersAreOnlyTheExactDigits()
{
    QFETCH(QString, typed);
    Tavola &w = window();
    dictate(1, 3);
    const qsizetype from = m_game->agent.requests.size();
    answer(typed);
    QCOMPARE(requestsSince(from),
             (QStringList{"Show", "MoveTo 250 175", "Play Greet", "Height 205", "Speak Sbagliato", "Speak 27"}));
    QCOMPARE(w.lblMessage->caption(), QStringLiteral("Sbagliato!! 27"));
    QCOMPARE(w.lblMessage->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(w.lblScore1->caption(), QStringLiteral("1"));
    QCOMPARE(w.lblScore2->caption(), QStringLiteral("1"));
    QCOMPARE(w.lblScore->caption(), QStringLiteral("0"));
    QCOMPARE(w.Text3->text(), typed); // the check leaves the answer for the child to see
}

void QuizTest::countersAddUpAfterEveryCheck()
{
    Tavola &w = window();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_VERIFY(!m_game->agent.requests.isEmpty());
    const bool right[] = {true, false, true, true, false, false, true};
    int correct = 0, wrong = 0;
    for (bool r : right) {
        dictate(2, 6);
        answer(r ? QStringLiteral("54") : QStringLiteral("45"));
        r ? ++correct : ++wrong;
        QCOMPARE(w.lblScore->caption(), QString::number(correct));
        QCOMPARE(w.lblScore1->caption(), QString::number(wrong));
        QCOMPARE(w.lblScore2->caption().toInt(), w.lblScore->caption().toInt() + w.lblScore1->caption().toInt());
        QVERIFY(w.cmdNext->isEnabled());
        QCOMPARE(QApplication::focusWidget(), w.cmdNext);
        QVERIFY(w.lblNum1->isHidden() && w.Label10->isHidden() && w.lblNum2->isHidden());
    }
}

void QuizTest::aSecondEnterCountsAgain()
{
    Tavola &w = window();
    dictate(2, 2);
    answer(QStringLiteral("18"));
    answer(QStringLiteral("18"));
    answer(QStringLiteral("81"));
    QCOMPARE(w.lblScore->caption(), QStringLiteral("2"));
    QCOMPARE(w.lblScore1->caption(), QStringLiteral("1"));
    QCOMPARE(w.lblScore2->caption(), QStringLiteral("3"));
}

void QuizTest::anyOtherKeyShowsTheExerciseAndDoesNothingElse()
{
    Tavola &w = window();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    dictate(3, 8);
    const qsizetype from = m_game->agent.requests.size();
    QTest::keyClicks(w.Text3, QStringLiteral("7x "));
    QTest::keyClick(w.Text3, Qt::Key_Backspace);
    QTest::keyClick(w.Text3, Qt::Key_Escape);
    QVERIFY(w.lblNum1->isVisible() && w.Label10->isVisible() && w.lblNum2->isVisible());
    QCOMPARE(w.Text3->text(), QStringLiteral("7x"));
    QVERIFY(requestsSince(from).isEmpty());
    QCOMPARE(w.lblScore2->caption(), QStringLiteral("0"));
    QCOMPARE(w.lblMessage->caption(), QString());
}

void QuizTest::countersStopAtTheirLargestValue()
{
    Tavola &w = window();
    dictate(1, 3);
    w.nesatte = Integer::Max - 1;
    w.lblScore->setCaption(QString::number(Integer::Max - 1));
    w.nerrate = Integer::Max;
    answer(QStringLiteral("27"));
    answer(QStringLiteral("27"));
    answer(QStringLiteral("nove"));
    QCOMPARE(w.lblScore->caption(), QStringLiteral("32767"));
    QCOMPARE(w.lblScore1->caption(), QStringLiteral("32767"));
    QCOMPARE(w.lblScore2->caption(), QStringLiteral("65534"));
    QVERIFY(m_game->end.statuses.isEmpty());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Integer(32768));
}

void QuizTest::refusedFetchStopsTheCheckBeforeCounting()
{
    Tavola &w = window();
    dictate(1, 3);
    m_game->agent.refuse = QStringLiteral("Item");
    w.Text3->setText(QStringLiteral("27"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, w.Command3_Click());
    QCOMPARE(int(w.nesatte), 0);
    QCOMPARE(w.lblMessage->caption(), QString());
    QVERIFY(!w.cmdNext->isEnabled());
}

void QuizTest::keyboardAlonePlaysSeveralExercises()
{
    Tavola &w = window();
    w.Form_Load();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_COMPARE(w.lblconto->caption(), QStringLiteral("00.07.00"));
    // Type, Enter, Enter: the answers are read off the exercise the window shows.
    int correct = 0, wrong = 0;
    for (int round = 0; round < 6; ++round) {
        m_game->random.next(round + 1, (round * 3) % 10 + 1);
        QCOMPARE(QApplication::focusWidget(), w.Text3);
        const int product = 9 * w.lblNum2->caption().toInt();
        const bool right = round % 3 != 1;
        QTest::keyClicks(QApplication::focusWidget(), QString::number(right ? product : product + 1));
        QVERIFY(w.lblNum2->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        right ? ++correct : ++wrong;
        QCOMPARE(QApplication::focusWidget(), w.cmdNext);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QCOMPARE(w.lblScore->caption(), QString::number(correct));
    QCOMPARE(w.lblScore1->caption(), QString::number(wrong));
    QCOMPARE(w.lblScore2->caption(), QStringLiteral("6"));
    QCOMPARE(m_game->agent.requests.count(QStringLiteral("Speak per")), 7);
    QVERIFY(m_game->end.statuses.isEmpty());
}

QTEST_MAIN(QuizTest)
#include "tst_quiz.moc"
