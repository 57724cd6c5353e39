// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/agent/VoiceWorker.h"

#include <QtTest>

namespace {

// Synthesises on the voice thread and waits for the result with the event loop running.
Utterance synthesize(const QString &text, quint64 id)
{
    VoiceWorker *voice = VoiceWorker::shared();
    QSignalSpy spy(voice, &VoiceWorker::synthesized);
    VoiceSettings settings;
    settings.audio = false;
    settings.pace = 0.01;
    QMetaObject::invokeMethod(voice, [=] { voice->speak(id, text, settings); }, Qt::QueuedConnection);
    for (int tries = 0; tries < 300; ++tries) {
        for (const QList<QVariant> &args : spy)
            if (args.at(0).toULongLong() == id)
                return args.at(1).value<Utterance>();
        spy.wait(100);
    }
    return {};
}

} // namespace

class TestVoice : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aShortWordLastsAboutHalfASecond_data();
    void aShortWordLastsAboutHalfASecond();
    void aLongerSentenceTakesProportionallyLonger();
    void digitsAreReadAsItalianNumberWords();
    void wordsAreMarkedInOrderWhereTheyStandInTheText();
    void silentPlaybackReportsProgressUpToTheEndAndFinishes();

private:
    quint64 m_id = 1000;
};

void TestVoice::aShortWordLastsAboutHalfASecond_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("Esatto") << "Esatto";
    QTest::newRow("Giusto") << "Giusto";
    QTest::newRow("Sbagliato") << "Sbagliato";
    QTest::newRow("nove") << "nove";
}

void TestVoice::aShortWordLastsAboutHalfASecond()
{
    QFETCH(QString, text);
    const Utterance u = synthesize(text, ++m_id);
    QVERIFY2(!u.isSilent(), "no samples: the Italian voice is missing");
    QCOMPARE(u.pcm.size() % 2, 0);
    QCOMPARE(u.durationMs, int(u.pcm.size() / 2 * 1000 / Utterance::kSampleRate));
    QVERIFY2(u.durationMs >= 300 && u.durationMs <= 1200, qPrintable(QString::number(u.durationMs)));
    // Not silence dressed as audio: the mouth opens somewhere.
    QCOMPARE(*std::max_element(u.levels.begin(), u.levels.end()), 1.f);
}

void TestVoice::aLongerSentenceTakesProportionallyLonger()
{
    const Utterance word = synthesize(QStringLiteral("Esatto"), ++m_id);
    const Utterance sentence = synthesize(
        QStringLiteral("Hai lavorato bene mio leale campione: sei invincibile"), ++m_id);
    QVERIFY(!word.isSilent());
    // Eight words against one: several times longer, and slow enough for a child.
    QVERIFY2(sentence.durationMs > 4 * word.durationMs, qPrintable(QString::number(sentence.durationMs)));
    QVERIFY(sentence.durationMs > 3000);
    QVERIFY(sentence.durationMs < 7000);
}

void TestVoice::digitsAreReadAsItalianNumberWords()
{
    const Utterance digits = synthesize(QStringLiteral("27"), ++m_id);
    const Utterance words = synthesize(QStringLiteral("ventisette"), ++m_id);
    QVERIFY(!digits.isSilent());
    // An English voice would say "twenty-seven", twice as long as the Italian word.
    QVERIFY(qAbs(digits.durationMs - words.durationMs) <= words.durationMs / 10);
}

void TestVoice::wordsAreMarkedInOrderWhereTheyStandInTheText()
{
    const QString text = QStringLiteral("nove per tre");
    const Utterance u = synthesize(text, ++m_id);
    QCOMPARE(u.words.size(), 3);
    const QStringList expected{"nove", "per", "tre"};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(text.mid(u.words[i].textStart, u.words[i].textLength), expected[i]);
    QVERIFY(u.words[0].audioMs < u.words[1].audioMs);
    QVERIFY(u.words[1].audioMs < u.words[2].audioMs);
    QVERIFY(u.words[2].audioMs < u.durationMs);
}

void TestVoice::silentPlaybackReportsProgressUpToTheEndAndFinishes()
{
    VoiceWorker *voice = VoiceWorker::shared();
    QSignalSpy progress(voice, &VoiceWorker::progressed);
    QSignalSpy spoken(voice, &VoiceWorker::spoken);
    const quint64 id = ++m_id;
    VoiceSettings settings;
    settings.audio = true; // asked for, but the tests run with no sound server
    settings.pace = 0.2;
    QMetaObject::invokeMethod(voice, [=] { voice->speak(id, QStringLiteral("Sei in gamba"), settings); },
                              Qt::QueuedConnection);
    // Phrases synthesised by earlier tests may still be playing ahead of this one.
    const auto mine = [id](const QSignalSpy &spy) {
        QList<QList<QVariant>> out;
        for (const QList<QVariant> &args : spy)
            if (args.at(0).toULongLong() == id)
                out << args;
        return out;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!mine(spoken).isEmpty(), 10000);
    QCOMPARE(mine(spoken).first().at(1).toBool(), false);
    const QList<QList<QVariant>> steps = mine(progress);
    QVERIFY(steps.size() >= 3);
    int last = -1;
    for (const QList<QVariant> &args : steps) {
        QVERIFY(args.at(1).toInt() > last);
        last = args.at(1).toInt();
    }
    QVERIFY(last > 500);
}

QTEST_MAIN(TestVoice)
#include "tst_voice.moc"
