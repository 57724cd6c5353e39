// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/EspeakSynthesizer.h"
#include "agent/voice/SoundOutput.h"
#include "agent/voice/VoiceClock.h"
#include "agent/voice/VoiceWorker.h"

#include <QtTest>

namespace {

// Two seconds of sound with a word every half second.
class ScriptedSynthesizer : public Synthesizer
{
public:
    Utterance synthesize(const QString &text, const VoiceSettings &) override
    {
        Utterance u;
        u.text = text;
        u.durationMs = 2000;
        u.pcm = QByteArray(Utterance::kSampleRate * 2 * 2, '\x01');
        u.words = {{0, 1, 0}, {2, 1, 500}, {4, 1, 1000}, {6, 1, 1500}};
        return u;
    }
};

// Reports whatever the test sets, and keeps what it was asked to play.
class ScriptedOutput : public SoundOutput
{
public:
    void play(quint64 id, const QByteArray &pcm, int durationMs) override
    {
        plays.append({id, pcm.size(), durationMs});
        now.playingId = id;
        now.playedMs = 0;
        now.progressAt = VoiceClock::nowMs();
    }
    void stop() override {}
    Progress progress() const override { return now; }

    struct Play
    {
        quint64 id;
        qsizetype bytes;
        int durationMs;
    };
    QList<Play> plays;
    Progress now;
};

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
    void thePhraseFollowsWhatTheOutputReports_data();
    void thePhraseFollowsWhatTheOutputReports();
    void softeningTakesTheHissOffAndKeepsTheVoice_data();
    void softeningTakesTheHissOffAndKeepsTheVoice();
    void softenedVoiceNeverReachesFullScale_data();
    void softenedVoiceNeverReachesFullScale();
    void theSilenceAfterTheLastSoundIsMadeExact_data();
    void theSilenceAfterTheLastSoundIsMadeExact();
    void aPhraseThatGoesOnEndsWithAShortPauseAndTheSameWords();

private:
    Utterance synthesize(const QString &text, bool continues = false);

    EspeakSynthesizer m_espeak;
};

Utterance TestVoice::synthesize(const QString &text, bool continues)
{
    VoiceSettings settings;
    settings.continues = continues;
    return m_espeak.synthesize(text, settings);
}

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
    const Utterance u = synthesize(text);
    QVERIFY2(!u.isSilent(), "no samples: the Italian voice is missing");
    QCOMPARE(u.pcm.size() % 2, 0);
    QCOMPARE(u.durationMs, int(u.pcm.size() / 2 * 1000 / Utterance::kSampleRate));
    QVERIFY2(u.durationMs >= 300 && u.durationMs <= 1200, qPrintable(QString::number(u.durationMs)));
    // Not silence dressed as audio: the mouth opens somewhere.
    QCOMPARE(*std::max_element(u.levels.begin(), u.levels.end()), 1.f);
}

void TestVoice::aLongerSentenceTakesProportionallyLonger()
{
    const Utterance word = synthesize(QStringLiteral("Esatto"));
    const Utterance sentence = synthesize(
        QStringLiteral("Hai lavorato bene mio leale campione: sei invincibile"));
    QVERIFY(!word.isSilent());
    // Eight words against one: several times longer, and slow enough for a child.
    QVERIFY2(sentence.durationMs > 4 * word.durationMs, qPrintable(QString::number(sentence.durationMs)));
    QVERIFY(sentence.durationMs > 3000);
    QVERIFY(sentence.durationMs < 7000);
}

void TestVoice::digitsAreReadAsItalianNumberWords()
{
    const Utterance digits = synthesize(QStringLiteral("27"));
    const Utterance words = synthesize(QStringLiteral("ventisette"));
    QVERIFY(!digits.isSilent());
    // An English voice would say "twenty-seven", twice as long as the Italian word.
    QVERIFY(qAbs(digits.durationMs - words.durationMs) <= words.durationMs / 10);
}

void TestVoice::wordsAreMarkedInOrderWhereTheyStandInTheText()
{
    const QString text = QStringLiteral("nove per tre");
    const Utterance u = synthesize(text);
    QCOMPARE(u.words.size(), 3);
    const QStringList expected{"nove", "per", "tre"};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(text.mid(u.words[i].textStart, u.words[i].textLength), expected[i]);
    QVERIFY(u.words[0].audioMs < u.words[1].audioMs);
    QVERIFY(u.words[1].audioMs < u.words[2].audioMs);
    QVERIFY(u.words[2].audioMs < u.durationMs);
}

void TestVoice::thePhraseFollowsWhatTheOutputReports_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("atMs");
    QTest::addColumn<bool>("audible");
    QTest::addColumn<int>("resumedFromMs"); // -1: not played again
    QTest::newRow("heard to the end") << "end" << 2000 << true << -1;
    QTest::newRow("no server: paced silently") << "none" << 0 << false << -1;
    QTest::newRow("the server goes away midway") << "gone" << 700 << false << -1;
    QTest::newRow("a suspend midway: again from that word") << "suspend" << 700 << true << 500;
    QTest::newRow("a suspend at a word's start") << "suspend" << 1000 << true << 1000;
    QTest::newRow("a suspend in the first word") << "suspend" << 300 << true << 0;
}

void TestVoice::thePhraseFollowsWhatTheOutputReports()
{
    QFETCH(QString, event);
    QFETCH(int, atMs);
    QFETCH(bool, audible);
    QFETCH(int, resumedFromMs);
    ScriptedSynthesizer synthesizer;
    ScriptedOutput output;
    output.now.usable = event != QLatin1String("none");
    VoiceWorker voice(synthesizer, &output);
    QSignalSpy progress(&voice, &VoiceWorker::progressed);
    QSignalSpy spoken(&voice, &VoiceWorker::spoken);
    VoiceSettings settings;
    settings.pace = 0.1;
    voice.speak(7, QStringLiteral("a b c d"), settings);
    const auto lastMs = [&] { return progress.isEmpty() ? -1 : progress.last().at(1).toInt(); };
    if (output.now.usable) {
        QCOMPARE(output.plays.size(), 1);
        output.now.playedMs = atMs;
        QTRY_COMPARE(lastMs(), atMs);
    }
    if (event == QLatin1String("gone"))
        output.now.usable = false;
    if (event == QLatin1String("suspend")) {
        output.now = {};
        output.now.interruptedId = output.plays.first().id;
        output.now.interruptedAtMs = atMs;
        QTRY_COMPARE(output.plays.size(), 2);
        QCOMPARE(output.plays[1].durationMs, 2000 - resumedFromMs);
        QCOMPARE(output.plays[1].bytes, qsizetype(Utterance::kSampleRate) * (2000 - resumedFromMs) / 1000 * 2);
        QCOMPARE(lastMs(), resumedFromMs);
        output.now.playedMs = 2000 - resumedFromMs;
    }
    if (audible)
        output.now.finishedId = output.plays.last().id;
    QTRY_COMPARE(spoken.size(), 1);
    QCOMPARE(spoken.first().at(1).toBool(), audible);
    QCOMPARE(lastMs(), 2000);
    // Forward only, but for the one step back to the start of the cut word.
    int steps = 0, backs = 0;
    for (qsizetype i = 1; i < progress.size(); ++i, ++steps)
        backs += progress[i].at(1).toInt() < progress[i - 1].at(1).toInt();
    QCOMPARE(backs, resumedFromMs >= 0 && resumedFromMs < atMs ? 1 : 0);
    QVERIFY(steps >= 1);
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
        const Utterance alone = synthesize(text, false);
        const Utterance goingOn = synthesize(text, true);
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
