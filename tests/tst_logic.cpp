// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DisplayChoice.h"
#include "character/NumberWords.h"
#include "countdown/CountdownClock.h"
#include "countdown/RecordFormat.h"
#include "quiz/Gradient.h"

#include <QTest>

// The window-free rules: number words, the praise ladder, the countdown, the record bytes.
class LogicTest : public QObject
{
    Q_OBJECT
private slots:
    void numberWordsSpellsItalianNumbers_data();
    void numberWordsSpellsItalianNumbers();
    void numberWordsIgnoresFractionsAndNegatives_data();
    void numberWordsIgnoresFractionsAndNegatives();
    void numberWordsFailsPastTheWordTable();

    void countdownBorrowsFromHours();

    void recordLineIsTextThenCrLf();
    void windows1252RoundTripsItalian();
    void namesTheCodePageLacksAreStoredInLatinLetters_data();
    void namesTheCodePageLacksAreStoredInLatinLetters();
    void leadingNumberReadsTheNumberATextBeginsWith_data();
    void leadingNumberReadsTheNumberATextBeginsWith();

    void gradientBandsRunFromNoBlueToFullBlue();
    void waylandSessionsUseXWaylandWhenThereIsOne();
};

void LogicTest::waylandSessionsUseXWaylandWhenThereIsOne()
{
    QCOMPARE(preferredPlatform("", "wayland", "wayland-0", ":0"), QByteArray("xcb"));
    QCOMPARE(preferredPlatform("", "", "wayland-0", ":1"), QByteArray("xcb"));
    QCOMPARE(preferredPlatform("", "wayland", "wayland-0", ""), QByteArray("wayland")); // no XWayland
    QCOMPARE(preferredPlatform("", "", "wayland-0", ""), QByteArray("wayland"));
    QCOMPARE(preferredPlatform("", "", "", ""), QByteArray()); // nothing to ask for
    QCOMPARE(preferredPlatform("", "x11", "", ":0"), QByteArray());
    QCOMPARE(preferredPlatform("wayland", "wayland", "wayland-0", ":0"), QByteArray());
}

void LogicTest::numberWordsSpellsItalianNumbers_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("words");
    const std::pair<qint64, const char *> rows[] = {
        {0, ""}, {1, "uno"}, {9, "nove"}, {10, "dieci"}, {17, "diciassettte"}, {20, "venti"},
        {21, "ventuno"}, {28, "ventotto"}, {45, "quarantacinque"}, {81, "ottantuno"},
        {90, "novanta"}, {100, "cento"}, {101, "centouno"}, {108, "centootto"},
        {117, "centodiciassettte"}, {121, "centoventuno"}, {180, "centoottanta"},
        {200, "duecento"}, {999, "novecentonovantanove"}, {1000, "mille"}, {1001, "milleuno"},
        {1008, "milleotto"}, {2000, "duemila"}, {2021, "duemilaventuno"}, {21000, "ventunomila"},
        {101000, "centounomila"}, {1000000, "unmilione"}, {1001000, "unmilionemille"},
        {2000000, "duemilioni"}, {1000000000, "unmiliardo"}, {1001000000, "unmiliardounmilione"},
        {3000000000, "tremiliardi"}, {999999999999, "novecentonovantanovemiliardinovecentonovantanovemilioninovecentonovantanovemilanovecentonovantanove"},
        {1000000000000, "diecicentomiliardi"},
    };
    for (const auto &[number, words] : rows)
        QTest::addRow("%lld", number) << number << QString::fromLatin1(words);
}

void LogicTest::numberWordsSpellsItalianNumbers()
{
    QFETCH(qint64, number);
    QFETCH(QString, words);
    QCOMPARE(numberWords(Currency::fromWhole(number)), words);
}

void LogicTest::numberWordsIgnoresFractionsAndNegatives_data()
{
    QTest::addColumn<qint64>("tenThousandths");
    QTest::addColumn<QString>("words");
    QTest::newRow("0.75") << qint64(7500) << QString();
    QTest::newRow("2.5") << qint64(25000) << QStringLiteral("due");
    QTest::newRow("3.9") << qint64(39000) << QStringLiteral("tre");
    QTest::newRow("-1") << qint64(-10000) << QString();
    QTest::newRow("-2021") << qint64(-20210000) << QString();
}

void LogicTest::numberWordsIgnoresFractionsAndNegatives()
{
    QFETCH(qint64, tenThousandths);
    QFETCH(QString, words);
    QCOMPARE(numberWords(Currency{tenThousandths}), words);
}

void LogicTest::numberWordsFailsPastTheWordTable()
{
    QVERIFY(!numberWords(Currency::fromWhole(2799999999999)).isEmpty());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, numberWords(Currency::fromWhole(2800000000000)));
}

void LogicTest::countdownBorrowsFromHours()
{
    CountdownTime time;
    time.ore = 1;
    stepDown(time);
    QCOMPARE(formatCountdown(time, QStringLiteral(":")), QStringLiteral("00:59:59"));
    QCOMPARE(formatCountdown(CountdownTime{}, QStringLiteral(":")), kCountdownOver);
}

void LogicTest::recordLineIsTextThenCrLf()
{
    QCOMPARE(recordLine(QStringLiteral("12")), QByteArray("\x31\x32\x0D\x0A"));
    QCOMPARE(recordLine(QStringLiteral("ABC")), QByteArray("\x41\x42\x43\x0D\x0A"));
    QCOMPARE(recordLine(QString()), QByteArray("\r\n"));
}

void LogicTest::windows1252RoundTripsItalian()
{
    const QString italian = QStringLiteral("Niccol\u00f2 \u00e0\u00e8\u00e9\u00ec\u00f9 \u20ac \u2019");
    QCOMPARE(toWindows1252(italian), QByteArray("Niccol\xF2 \xE0\xE8\xE9\xEC\xF9 \x80 \x92"));
    QCOMPARE(fromWindows1252(toWindows1252(italian)), italian);
    QByteArray everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte.append(char(b));
    QCOMPARE(fromWindows1252(everyByte).size(), 256);
}

void LogicTest::namesTheCodePageLacksAreStoredInLatinLetters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("Romanian") << QStringLiteral("Ștefan Țurcanu, Mădălina") << QByteArray("Stefan Turcanu, Madalina");
    QTest::newRow("Polish") << QStringLiteral("Łukasz Żółć") << QByteArray("Lukasz Z\xF3lc");
    QTest::newRow("Albanian, all in the code page") << QStringLiteral("Ëndrit Çela") << QByteArray("\xCBndrit \xC7" "ela");
    QTest::newRow("Turkish") << QStringLiteral("Işıl İbrahimoğlu, Gökhan") << QByteArray("Isil Ibrahimoglu, G\xF6khan");
    QTest::newRow("Croatian") << QStringLiteral("Đurđa Čapljić, Živko") << QByteArray("Durda Capljic, \x8Eivko");
    QTest::newRow("Chinese") << QStringLiteral("李明") << QByteArray("li ming");
    QTest::newRow("an emoji is left out") << QStringLiteral("Leo\U0001F600") << QByteArray("Leo");
}

void LogicTest::namesTheCodePageLacksAreStoredInLatinLetters()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, stored);
    QCOMPARE(toWindows1252(name), stored);
}

void LogicTest::leadingNumberReadsTheNumberATextBeginsWith_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("line") << QStringLiteral("12\r\n") << 12.0;
    QTest::newRow("spaces anywhere") << QStringLiteral(" 1 2 \r\n") << 12.0;
    QTest::newRow("tab and line feed") << QStringLiteral("\t1\n3") << 13.0;
    QTest::newRow("stops at letters") << QStringLiteral("7 nani") << 7.0;
    QTest::newRow("no number") << QStringLiteral("Amico") << 0.0;
    QTest::newRow("sign") << QStringLiteral("-5") << -5.0;
    QTest::newRow("decimal") << QStringLiteral("2.5x") << 2.5;
    QTest::newRow("exponent") << QStringLiteral("1e3") << 1000.0;
    QTest::newRow("dangling exponent") << QStringLiteral("4e") << 4.0;
    QTest::newRow("hex") << QStringLiteral("&H1A") << 26.0;
    QTest::newRow("octal") << QStringLiteral("&O17") << 15.0;
    QTest::newRow("huge") << QStringLiteral("9e999") << qInf();
}

void LogicTest::leadingNumberReadsTheNumberATextBeginsWith()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(leadingNumber(text), value);
}

void LogicTest::gradientBandsRunFromNoBlueToFullBlue()
{
    QImage image(300, 556, QImage::Format_RGB32);
    image.fill(Qt::black);
    paintGradient(image, 9, 4);
    QCOMPARE(image.pixelColor(0, 0), QColor(180, 80, 0));
    QCOMPARE(image.pixelColor(299, 555), QColor(180, 80, 255));
    QCOMPARE(image.pixelColor(150, 278).blue(), 128);
    for (int y = 0; y < image.height(); ++y)
        QVERIFY(image.pixelColor(299, y) != QColor(Qt::black));
}

QTEST_GUILESS_MAIN(LogicTest)
#include "tst_logic.moc"
