// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/VoiceWorker.h"

#include <QtTest>

namespace {

// Synthesises on the voice thread and waits for the result with the event loop running.
Utterance synthesize(const QString &text, quint64 id, bool continues = false)
{
    VoiceWorker *voice = VoiceWorker::shared();
    QSignalSpy spy(voice, &VoiceWorker::synthesized);
    VoiceSettings settings;
    settings.continues = continues;
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

QByteArray tones(const QList<std::pair<double, double>> &hzAndAmplitude, int ms)
{
    const int count = Utterance::kSampleRate * ms / 1000;
    QByteArray pcm(count * 2, '\0');
    auto *samples = reinterpret_cast<qint16 *>(pcm.data());
    for (int i = 0; i < count; ++i) {
        double v = 0;
        for (const auto &[hz, amplitude] : hzAndAmplitude)
            v += amplitude * std::sin(2 * M_PI * hz * i / Utterance::kSampleRate);
        samples[i] = qint16(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
    }
    return pcm;
}

// Power of one frequency in the samples, skipping the filter's first 50 ms.
double powerAt(const QByteArray &pcm, double hz)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    double re = 0, im = 0;
    for (qsizetype i = Utterance::kSampleRate / 20; i < count; ++i) {
        re += samples[i] * std::cos(2 * M_PI * hz * double(i) / Utterance::kSampleRate);
        im += samples[i] * std::sin(2 * M_PI * hz * double(i) / Utterance::kSampleRate);
    }
    return re * re + im * im;
}

int peakOf(const QByteArray &pcm)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    int peak = 0;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    return peak;
}

int trailingSilenceMs(const QByteArray &pcm)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    qsizetype end = pcm.size() / 2;
    while (end > 0 && std::abs(samples[end - 1]) < 330)
        --end;
    return int((pcm.size() / 2 - end) * 1000 / Utterance::kSampleRate);
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
    void softeningTakesTheHissOffAndKeepsTheVoice_data();
    void softeningTakesTheHissOffAndKeepsTheVoice();
    void softenedVoiceNeverReachesFullScale_data();
    void softenedVoiceNeverReachesFullScale();
    void theSilenceAfterTheLastSoundIsMadeExact_data();
    void theSilenceAfterTheLastSoundIsMadeExact();
    void aPhraseThatGoesOnEndsWithAShortPauseAndTheSameWords();

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

void TestVoice::softeningTakesTheHissOffAndKeepsTheVoice_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<double>("lowestDb");
    QTest::addColumn<double>("highestDb");
    QTest::newRow("a vowel's fundamental, 120 Hz") << 120.0 << -0.5 << 0.5;
    QTest::newRow("a formant, 1 kHz") << 1000.0 << -0.5 << 0.5;
    QTest::newRow("consonants, 3 kHz") << 3000.0 << -1.0 << 0.5;
    QTest::newRow("the buzz near 7 kHz") << 7000.0 << -99.0 << -4.0;
    QTest::newRow("hiss, 9 kHz") << 9000.0 << -99.0 << -10.0;
    QTest::newRow("hiss, 10.5 kHz") << 10500.0 << -99.0 << -15.0;
}

void TestVoice::softeningTakesTheHissOffAndKeepsTheVoice()
{
    QFETCH(double, hz);
    QFETCH(double, lowestDb);
    QFETCH(double, highestDb);
    const QByteArray before = tones({{hz, 0.3}}, 400);
    QByteArray after = before;
    UtteranceText::soften(after);
    QCOMPARE(after.size(), before.size());
    const double db = 10 * std::log10(powerAt(after, hz) / powerAt(before, hz));
    QVERIFY2(db >= lowestDb && db <= highestDb, qPrintable(QString::number(db)));
}

void TestVoice::softenedVoiceNeverReachesFullScale_data()
{
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<int>("highestPeak");
    QTest::newRow("full scale") << 1.0 << 27525;  // -1.5 dBFS
    QTest::newRow("clipped, as an overdriven voice") << 1.6 << 27525;
    QTest::newRow("quiet: left as it is") << 0.25 << 10950; // 0.25 + 0.25 / 3 of full scale
}

void TestVoice::softenedVoiceNeverReachesFullScale()
{
    QFETCH(double, amplitude);
    QFETCH(int, highestPeak);
    QByteArray pcm = tones({{180, amplitude}, {900, amplitude / 3}}, 300);
    UtteranceText::soften(pcm);
    QVERIFY2(peakOf(pcm) <= highestPeak, qPrintable(QString::number(peakOf(pcm))));
    QVERIFY(peakOf(pcm) > highestPeak * 0.8);
}

void TestVoice::theSilenceAfterTheLastSoundIsMadeExact_data()
{
    QTest::addColumn<int>("silenceBeforeMs");
    QTest::newRow("none") << 0;
    QTest::newRow("shorter") << 60;
    QTest::newRow("longer, as after a full stop") << 600;
}

void TestVoice::theSilenceAfterTheLastSoundIsMadeExact()
{
    QFETCH(int, silenceBeforeMs);
    QByteArray pcm = tones({{200, 0.5}}, 300) + QByteArray(Utterance::kSampleRate * silenceBeforeMs / 1000 * 2, '\0');
    UtteranceText::fitTrailingSilence(pcm, 240);
    QCOMPARE(trailingSilenceMs(pcm), 240);
    QCOMPARE(pcm.size(), (Utterance::kSampleRate * 300 / 1000 + Utterance::kSampleRate * 240 / 1000) * 2);
}

void TestVoice::aPhraseThatGoesOnEndsWithAShortPauseAndTheSameWords()
{
    for (const QString &text : {QStringLiteral("9"), QStringLiteral("per"), QStringLiteral("Esatto")}) {
        const Utterance alone = synthesize(text, ++m_id, false);
        const Utterance goingOn = synthesize(text, ++m_id, true);
        QVERIFY(!goingOn.isSilent());
        // The balloon shows the text as given, not the comma that keeps the voice up.
        QCOMPARE(goingOn.text, text);
        QCOMPARE(goingOn.words.size(), alone.words.size());
        QCOMPARE(goingOn.words.first().textLength, text.size());
        // 200-350 ms between the words together with the next phrase's own start.
        const int pause = trailingSilenceMs(goingOn.pcm);
        QVERIFY2(pause >= 200 && pause <= 240, qPrintable(QString::number(pause)));
        QVERIFY2(goingOn.durationMs < alone.durationMs + 300, qPrintable(text));
    }
}

QTEST_MAIN(TestVoice)
#include "tst_voice.moc"
