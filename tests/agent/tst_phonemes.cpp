// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "character/Agent.h"
#include "character/NumberWords.h"
#include "agent/CharacterFile.h"
#include "quiz/PraiseLadder.h"

#include <QtTest>

#include <espeak-ng/speak_lib.h>

// The wizard's voice (its variant) and the trailing comma that keeps the voice up when another
// phrase follows must not change a word: every text the game says has the same phonemes as
// with the plain Italian voice and no comma.
class TestPhonemes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void theWizardsVoiceChangesNoWordOfWhatTheGameSays_data();
    void theWizardsVoiceChangesNoWordOfWhatTheGameSays();

private:
    QByteArray m_plainVoice;
    QByteArray m_wizardVoice;
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
    const CharacterFile merlin = CharacterFile::load(kMerlinFile);
    m_plainVoice = merlin.voiceLanguage.toUtf8();
    m_wizardVoice = (merlin.voiceLanguage + QLatin1Char('+') + merlin.voiceVariant).toUtf8();
    QCOMPARE(m_plainVoice, QByteArray("it"));
    QVERIFY(!merlin.voiceVariant.isEmpty());
}

void TestPhonemes::theWizardsVoiceChangesNoWordOfWhatTheGameSays_data()
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

void TestPhonemes::theWizardsVoiceChangesNoWordOfWhatTheGameSays()
{
    QFETCH(QString, text);
    QCOMPARE(espeak_SetVoiceByName(m_plainVoice.constData()), EE_OK);
    const QString plain = phonemes(text);
    QVERIFY(!plain.isEmpty());
    QCOMPARE(espeak_SetVoiceByName(m_wizardVoice.constData()), EE_OK);
    QCOMPARE(phonemes(text), plain);
    QCOMPARE(phonemes(text + QLatin1Char(',')), plain);
}

QTEST_MAIN(TestPhonemes)
#include "tst_phonemes.moc"
