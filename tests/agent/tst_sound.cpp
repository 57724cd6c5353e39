// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/Voice.h"
#include "agent/voice/VoiceWorker.h"

#include <QtTest>

namespace {

const QString kLong = QStringLiteral("Hai lavorato bene mio leale campione: sei invincibile");

// The phrase's samples that the recording lacks, the recording lined up on the phrase's last
// sound: the null sink passes samples through untouched.
int missingMs(const QByteArray &recorded, const QByteArray &pcm)
{
    const auto *heard = reinterpret_cast<const qint16 *>(recorded.constData());
    const auto *said = reinterpret_cast<const qint16 *>(pcm.constData());
    const auto lastSound = [](const qint16 *samples, qsizetype count) {
        while (count > 0 && std::abs(samples[count - 1]) < 330)
            --count;
        return count;
    };
    const qsizetype offset = lastSound(heard, recorded.size() / 2) - lastSound(said, pcm.size() / 2);
    qsizetype missing = 0;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        if (offset + i < 0 || std::abs(heard[offset + i] - said[i]) > 1)
            ++missing;
    return int(missing * 1000 / Utterance::kSampleRate);
}

QList<QVariant> argsFor(const QSignalSpy &spy, quint64 id)
{
    for (const QList<QVariant> &args : spy)
        if (args.at(0).toULongLong() == id)
            return args;
    return {};
}

} // namespace

// The voice played into a private sound server's null sink and recorded from its monitor.
class TestSound : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void aPhraseIsHeardWholeAtItsPaceAndFinishesAudibly();
    void aPhraseCutShortLeavesTheOutputReadyForTheNext();
    void aServerThatGoesAwayLeavesThePhraseToFinishInSilenceAtOnce();
    void aServerThatComesBackIsHeardAgain();
    void cleanupTestCase();

private:
    quint64 speak(const QString &text);
    void cancel(quint64 id);

    struct Recording
    {
        QProcess parec;
        QByteArray bytes;
    };
    void startServer();
    // Records the null sink's monitor from now on.
    void record(Recording &recording);
    // Stops recording once what played last has come through the sink's own latency.
    void settle(Recording &recording);

    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_server;
    std::unique_ptr<Voice> m_owner;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    VoiceWorker *m_voice = nullptr;
    std::unique_ptr<QSignalSpy> m_synthesized, m_progressed, m_spoken;
    quint64 m_id = 0;
};

void TestSound::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
        QSKIP("pulseaudio and parec are needed (tools/debian-packages.txt lists them)");
    QVERIFY(m_dir.isValid());
    const QString run = m_dir.filePath(QStringLiteral("run"));
    m_socket = m_dir.filePath(QStringLiteral("native"));
    QVERIFY(QDir().mkpath(run));
    QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
    m_env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), run + QStringLiteral("/pulse"));
    m_env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + m_socket);
    qputenv("PULSE_SERVER", m_env.value(QStringLiteral("PULSE_SERVER")).toUtf8());
    startServer();
    if (QTest::currentTestFailed())
        return;

    m_owner = std::make_unique<Voice>();
    m_voice = m_owner->worker();
    m_synthesized = std::make_unique<QSignalSpy>(m_voice, &VoiceWorker::synthesized);
    m_progressed = std::make_unique<QSignalSpy>(m_voice, &VoiceWorker::progressed);
    m_spoken = std::make_unique<QSignalSpy>(m_voice, &VoiceWorker::spoken);
}

void TestSound::startServer()
{
    m_server.setProcessEnvironment(m_env);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--log-target=stderr"), QStringLiteral("--log-level=error"), QStringLiteral("-L"),
                    QStringLiteral("module-null-sink sink_name=rec rate=22050 channels=1"), QStringLiteral("-L"),
                    QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + m_socket});
    QVERIFY(m_server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_socket), 10000);
}

void TestSound::record(Recording &recording)
{
    recording.parec.setProcessEnvironment(m_env);
    recording.parec.start(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("rec.monitor"),
                                                    QStringLiteral("--rate=22050"), QStringLiteral("--channels=1"),
                                                    QStringLiteral("--format=s16le")});
    connect(&recording.parec, &QProcess::readyReadStandardOutput, this,
            [&recording] { recording.bytes += recording.parec.readAllStandardOutput(); });
    QTRY_VERIFY_WITH_TIMEOUT(!recording.bytes.isEmpty(), 10000);
}

void TestSound::settle(Recording &recording)
{
    const qsizetype settled = recording.bytes.size() + Utterance::kSampleRate;
    QTRY_VERIFY_WITH_TIMEOUT(recording.bytes.size() >= settled, 5000);
    recording.parec.terminate();
    recording.parec.waitForFinished();
}

quint64 TestSound::speak(const QString &text)
{
    const quint64 id = ++m_id;
    VoiceWorker *voice = m_voice;
    QMetaObject::invokeMethod(voice, [=] { voice->speak(id, text, VoiceSettings{}); }, Qt::QueuedConnection);
    return id;
}

void TestSound::cancel(quint64 id)
{
    VoiceWorker *voice = m_voice;
    QMetaObject::invokeMethod(voice, [=] { voice->cancel(id); }, Qt::QueuedConnection);
}

void TestSound::aPhraseIsHeardWholeAtItsPaceAndFinishesAudibly()
{
    Recording recording;
    record(recording);
    if (QTest::currentTestFailed())
        return;
    // After another phrase and a pause, as the wizard mostly speaks: the server has run dry.
    const quint64 before = speak(QStringLiteral("Allora"));
    QTRY_VERIFY_WITH_TIMEOUT(!argsFor(*m_spoken, before).isEmpty(), 15000);

    const quint64 id = speak(kLong);
    // Timed from the first sample heard: an idle null sink may take two seconds to start.
    QElapsedTimer clock;
    int startedAtMs = 0;
    auto started = connect(m_voice, &VoiceWorker::progressed, this, [&](quint64 p, int ms) {
        if (p == id && ms > 0 && !clock.isValid()) {
            clock.start();
            startedAtMs = ms;
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(!argsFor(*m_spoken, id).isEmpty(), 15000);
    disconnect(started);
    QVERIFY(clock.isValid());
    const qint64 elapsed = clock.elapsed();
    const auto u = argsFor(*m_synthesized, id).at(1).value<Utterance>();
    QVERIFY(u.durationMs > 2000);
    QCOMPARE(argsFor(*m_spoken, id).at(1).toBool(), true);
    // Paced by what the server played, not by a faster clock (and ended by it: an audible
    // phrase ends only when the output says it finished playing it).
    const int rest = u.durationMs - startedAtMs;
    QVERIFY2(elapsed >= rest * 9 / 10,
             qPrintable(QStringLiteral("%1 ms for %2").arg(elapsed).arg(rest)));
    int last = 0;
    for (const QList<QVariant> &args : std::as_const(*m_progressed))
        if (args.at(0).toULongLong() == id)
            last = args.at(1).toInt();
    QCOMPARE(last, u.durationMs);

    settle(recording);
    QCOMPARE(missingMs(recording.bytes, u.pcm), 0);
}

void TestSound::aPhraseCutShortLeavesTheOutputReadyForTheNext()
{
    const quint64 cut = speak(kLong);
    QTRY_VERIFY_WITH_TIMEOUT([&] {
        for (const QList<QVariant> &args : std::as_const(*m_progressed))
            if (args.at(0).toULongLong() == cut && args.at(1).toInt() >= 500)
                return true;
        return false;
    }(), 10000);
    cancel(cut);
    const quint64 next = speak(QStringLiteral("Esatto, sei bravissimo"));
    QTRY_VERIFY_WITH_TIMEOUT(!argsFor(*m_spoken, next).isEmpty(), 15000);
    QCOMPARE(argsFor(*m_spoken, next).at(1).toBool(), true);
    QVERIFY(argsFor(*m_spoken, cut).isEmpty());
}

void TestSound::aServerThatGoesAwayLeavesThePhraseToFinishInSilenceAtOnce()
{
    const quint64 id = speak(kLong);
    int heardMs = 0;
    QTRY_VERIFY_WITH_TIMEOUT([&] {
        for (const QList<QVariant> &args : std::as_const(*m_progressed))
            if (args.at(0).toULongLong() == id)
                heardMs = std::max(heardMs, args.at(1).toInt());
        return heardMs >= 300;
    }(), 10000);
    QElapsedTimer clock;
    clock.start();
    m_server.kill();
    m_server.waitForFinished();
    QTRY_VERIFY_WITH_TIMEOUT(!argsFor(*m_spoken, id).isEmpty(), 15000);
    QCOMPARE(argsFor(*m_spoken, id).at(1).toBool(), false);
    // Seen as gone, not waited for as a stalled output (that takes two seconds more).
    const int durationMs = argsFor(*m_synthesized, id).at(1).value<Utterance>().durationMs;
    QVERIFY2(clock.elapsed() < durationMs - heardMs + 1500, qPrintable(QString::number(clock.elapsed())));

    const quint64 after = speak(QStringLiteral("Esatto"));
    QTRY_VERIFY_WITH_TIMEOUT(!argsFor(*m_spoken, after).isEmpty(), 10000);
    QCOMPARE(argsFor(*m_spoken, after).at(1).toBool(), false);
}

void TestSound::aServerThatComesBackIsHeardAgain()
{
    QFile::remove(m_socket); // the killed server's, left behind
    startServer();
    QElapsedTimer sinceServer;
    sinceServer.start();
    Recording recording;
    record(recording);
    if (QTest::currentTestFailed())
        return;
    // The game goes on meanwhile: phrase after phrase until the voice is back.
    quint64 id = 0;
    int silent = 0;
    qint64 askedAtMs = 0;
    for (; silent < 10; ++silent) {
        askedAtMs = sinceServer.elapsed();
        id = speak(QStringLiteral("Esatto"));
        QTRY_VERIFY_WITH_TIMEOUT(!argsFor(*m_spoken, id).isEmpty(), 10000);
        if (argsFor(*m_spoken, id).at(1).toBool())
            break;
    }
    QVERIFY2(silent < 10, "the voice never came back");
    qInfo("voice back %lld ms after the server, after %d silent phrase(s)", askedAtMs, silent);
    // Heard whole from the phrase after (the first on a new stream may lose its first tenth of
    // a second while the sink wakes, as the game's very first phrase may).
    id = speak(QStringLiteral("Esatto, sei bravissimo"));
    QTRY_VERIFY_WITH_TIMEOUT(!argsFor(*m_spoken, id).isEmpty(), 10000);
    QCOMPARE(argsFor(*m_spoken, id).at(1).toBool(), true);
    settle(recording);
    QCOMPARE(missingMs(recording.bytes, argsFor(*m_synthesized, id).at(1).value<Utterance>().pcm), 0);
}

void TestSound::cleanupTestCase()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        m_server.waitForFinished();
    }
}

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
