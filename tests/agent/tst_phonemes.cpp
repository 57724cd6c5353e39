// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "character/NumberWords.h"
#include "quiz/PraiseLadder.h"

#include <QtTest>

#include <espeak-ng/speak_lib.h>

// A phrase that another follows is synthesised with a trailing comma, so that its voice stays
// up: every text the game says must sound the same with it, word for word.
class TestPhonemes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void aTrailingCommaChangesNoWordOfWhatTheGameSays_data();
    void aTrailingCommaChangesNoWordOfWhatTheGameSays();
};

namespace {
QString phonemes(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const void *at = utf8.constData();
    QStringList clauses;
    while (at)
        clauses << QString::fromUtf8(espeak_TextToPhonemes(&at, espeakCHARS_UTF8, 0)).trimmed();
    return clauses.join(QLatin1Char(' '));
}
} // namespace

void TestPhonemes::initTestCase()
{
    // Synthesis only, in this one thread: no other voice runs in this test.
    QVERIFY(espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT) > 0);
    QCOMPARE(espeak_SetVoiceByName("it"), EE_OK);
}

void TestPhonemes::aTrailingCommaChangesNoWordOfWhatTheGameSays_data()
{
    QTest::addColumn<QString>("text");
    QSet<QString> texts{QStringLiteral("9"), QStringLiteral("per"), QStringLiteral("Amico"),
                        QStringLiteral(
                            "Allora attenzione, iniziamo la nostra avventura con la tabellina del 9. Io detto e tu "
                            "scrivi il risultato nello spazio sotto di me. Mi raccomando inserisci il risultato e "
                            "premi invio e poi aspetta che io finisca di parlare e premi ancora invio per avere la "
                            "domanda successiva")};
    for (int factor = 1; factor <= 10; ++factor) {
        texts << numberWords(Currency::fromWhole(factor));
        const QString product = QString::number(9 * factor);
        for (int earlier = 0; earlier <= 30; ++earlier)
            for (const CharacterRequest &r : praiseForCorrectAnswer(earlier, QStringLiteral("Luca"), product))
                if (r.kind == CharacterRequest::Speak)
                    texts << r.text;
        for (const CharacterRequest &r : correctionForWrongAnswer(product))
            texts << r.text;
    }
    for (const QString &text : texts)
        QTest::newRow(qPrintable(text)) << text;
}

void TestPhonemes::aTrailingCommaChangesNoWordOfWhatTheGameSays()
{
    QFETCH(QString, text);
    const QString plain = phonemes(text);
    QVERIFY(!plain.isEmpty());
    QCOMPARE(phonemes(text + QLatin1Char(',')), plain);
}

QTEST_MAIN(TestPhonemes)
#include "tst_phonemes.moc"
