// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/VoiceWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <espeak-ng/speak_lib.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <unistd.h>

namespace {

constexpr int kTickMs = 20;
// A sound output that neither takes data nor plays any for this long is not waited for.
constexpr int kStallMs = 2000;
// After the last sample went out, how long to wait for the output to say it played it.
constexpr int kDrainGraceMs = 2500;
// The first phrase may wait this long for the synthesiser to start, never longer.
constexpr int kFirstSynthWaitMs = 1000;
// Between two phrases said as one ("9" "per" "tre"): a short breath, not a full stop.
constexpr int kContinuingPauseMs = 220;
constexpr int kVolume = 85;
// How far ahead of what is heard the voice is written: libpulse's own default. At 100 ms a
// phrase that followed a pause lost its first 20 ms.
constexpr int kBufferMs = 250;
// A sound server that does not answer in this long is not waited for again.
constexpr int kServerWaitMs = 30000;

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::atomic<bool> s_exiting{false};

// --- the synthesiser, started once on a thread of its own ----------------------------------

enum SynthState { SynthStarting, SynthReady, SynthFailed };
std::atomic<int> s_synthState{SynthStarting};
std::mutex s_synthMutex;
std::condition_variable s_synthChanged;
QThread *s_synthThread = nullptr;

// espeak delivers samples, word and phoneme events through a C callback; after start-up only the
// voice thread synthesises, so one collecting target is enough.
Utterance *s_collecting = nullptr;

int collect(short *samples, int count, espeak_EVENT *events)
{
    if (!s_collecting)
        return 0;
    if (samples && count > 0)
        s_collecting->pcm.append(reinterpret_cast<const char *>(samples), qsizetype(count) * 2);
    for (espeak_EVENT *e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        // The last WORD event has length 0 and names no word.
        if (e->type == espeakEVENT_WORD && e->length > 0)
            s_collecting->words.append({e->text_position - 1, e->length, e->audio_position});
        // The name fills all 8 bytes, unterminated, when it is that long.
        if (e->type == espeakEVENT_PHONEME)
            s_collecting->sounds.append({QByteArray(e->id.string, qstrnlen(e->id.string, sizeof e->id.string)),
                                         e->audio_position});
    }
    return 0;
}

void startSynthesizer()
{
    // Without DONT_EXIT espeak ends the whole program on a data error.
    const bool ok = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                    espeakINITIALIZE_DONT_EXIT | espeakINITIALIZE_PHONEME_EVENTS)
                    == Utterance::kSampleRate;
    if (ok)
        espeak_SetSynthCallback(collect);
    else
        qWarning("tirlindo: sintesi vocale non disponibile, il mago parla in silenzio");
    {
        std::lock_guard lock(s_synthMutex);
        s_synthState = ok ? SynthReady : SynthFailed;
    }
    s_synthChanged.notify_all();
}

bool synthesizerReady(int waitMs)
{
    std::unique_lock lock(s_synthMutex);
    s_synthChanged.wait_for(lock, std::chrono::milliseconds(waitMs),
                            [] { return s_synthState != SynthStarting; });
    return s_synthState == SynthReady;
}

// --- the sound output, on a thread of its own ---------------------------------------------

// Plays one phrase at a time for the voice thread and tells it, through atomics, how far it
// got. The sound server is reached through libpulse's own thread; nothing in here waits for
// the server longer than a bounded time, so a frozen server holds no one.
class AudioOutput : public QObject
{
public:
    enum State { Opening, Ready, Broken };

    std::atomic<int> state{Opening};
    std::atomic<quint64> wantedId{0};   // the phrase the voice still wants played
    std::atomic<quint64> playingId{0};
    std::atomic<quint64> finishedId{0};
    std::atomic<int> playedMs{0};
    std::atomic<qint64> progressAt{0};  // the output last took data or played some
    std::atomic<qint64> healthyAt{-1};  // the output last played some

    void open();
    void play(quint64 id, const QByteArray &pcm, int durationMs);
    void close();

private:
    // Holds libpulse's lock: its thread only ever holds it briefly, never while waiting.
    struct Locked
    {
        explicit Locked(pa_threaded_mainloop *loop) : m_loop(loop) { pa_threaded_mainloop_lock(loop); }
        ~Locked() { pa_threaded_mainloop_unlock(m_loop); }
        pa_threaded_mainloop *m_loop;
    };

    static void contextChanged(pa_context *context, void *self);
    static void streamChanged(pa_stream *stream, void *self);
    static void ranDry(pa_stream *, void *self);
    static void timingCame(pa_stream *, int, void *self);
    void notify();
    bool waitForServer(const std::function<bool()> &settled);
    void release();
    void tick();
    void stopPhrase();
    qint64 processedUs();
    qsizetype bytesFree();
    bool write(const char *data, qsizetype size, bool last);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    std::atomic<int> m_contextState{PA_CONTEXT_CONNECTING};
    std::atomic<int> m_streamState{PA_STREAM_CREATING};
    std::atomic<bool> m_idle{true};     // the server ran out of data to play
    bool m_timingAsked = false;         // under libpulse's lock
    std::mutex m_waitMutex;
    std::condition_variable m_changed;
    QTimer *m_timer = nullptr;
    QByteArray m_pcm;
    quint64 m_id = 0;
    qsizetype m_written = 0;
    qint64 m_baseUs = 0;
    qint64 m_lastProcessedUs = -1;
    int m_durationMs = 0;
    bool m_probing = false;
    QElapsedTimer m_wall;
};

QThread *s_voiceThread = nullptr;
QThread *s_audioThread = nullptr;
VoiceWorker *s_worker = nullptr;
AudioOutput *s_audio = nullptr;

void shutDownAtExit(int status, void *)
{
    // A normal end has stopped the voice already.
    if (s_exiting)
        return;
    // exit() from inside a library (the X connection broke) runs this before the sound
    // library's own globals are destroyed: they were made before this was registered.
    VoiceWorker::shutDown(status);
    // Nothing is left to save, and the rest of the teardown would run under threads that
    // the libraries still have going: end here, with the status given.
    std::fflush(nullptr);
    ::_exit(status);
}

void stopAtExit()
{
#ifdef __GLIBC__
    on_exit(shutDownAtExit, nullptr); // hands over the status given to exit()
#else
    std::atexit([] { shutDownAtExit(EXIT_FAILURE, nullptr); });
#endif
}

void shutDownAtQuit()
{
    VoiceWorker::shutDown(EXIT_SUCCESS);
}

void AudioOutput::contextChanged(pa_context *context, void *self)
{
    auto *out = static_cast<AudioOutput *>(self);
    const pa_context_state_t s = pa_context_get_state(context);
    out->m_contextState = s;
    // The server went away: this phrase and all later ones go silent.
    if (!PA_CONTEXT_IS_GOOD(s))
        out->state = Broken;
    out->notify();
}

void AudioOutput::streamChanged(pa_stream *stream, void *self)
{
    auto *out = static_cast<AudioOutput *>(self);
    const pa_stream_state_t s = pa_stream_get_state(stream);
    out->m_streamState = s;
    if (!PA_STREAM_IS_GOOD(s))
        out->state = Broken;
    out->notify();
}

void AudioOutput::ranDry(pa_stream *, void *self)
{
    static_cast<AudioOutput *>(self)->m_idle = true;
}

void AudioOutput::notify()
{
    { std::lock_guard lock(m_waitMutex); }
    m_changed.notify_all();
}

bool AudioOutput::waitForServer(const std::function<bool()> &settled)
{
    const QDeadlineTimer deadline(kServerWaitMs);
    std::unique_lock lock(m_waitMutex);
    while (!settled()) {
        // In slices, so that the end of the program is not kept waiting.
        if (s_exiting || deadline.hasExpired())
            return false;
        m_changed.wait_for(lock, std::chrono::milliseconds(50));
    }
    return true;
}

void AudioOutput::open()
{
    if (s_exiting)
        return;
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop) {
        state = Broken;
        return;
    }
    pa_threaded_mainloop_set_name(m_loop, "tirlindo-pulse");
    {
        Locked lock(m_loop);
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Tirlindo");
        if (m_context) {
            pa_context_set_state_callback(m_context, contextChanged, this);
            // No server is started for us: without one the wizard speaks in silence.
            if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
                state = Broken;
        }
    }
    // With no server the connection fails at once; a frozen one is waited for, but not forever.
    const bool connected = m_context && state != Broken && pa_threaded_mainloop_start(m_loop) == 0
                           && waitForServer([this] {
                                  const auto s = pa_context_state_t(m_contextState.load());
                                  return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
                              })
                           && m_contextState == PA_CONTEXT_READY;
    if (connected) {
        const pa_sample_spec format{PA_SAMPLE_S16LE, Utterance::kSampleRate, 1};
        const uint32_t any = uint32_t(-1);
        const pa_buffer_attr buffer{any, uint32_t(pa_usec_to_bytes(kBufferMs * 1000, &format)), any, any, any};
        Locked lock(m_loop);
        m_stream = pa_stream_new(m_context, "Merlin", &format, nullptr);
        if (m_stream) {
            pa_stream_set_state_callback(m_stream, streamChanged, this);
            pa_stream_set_underflow_callback(m_stream, ranDry, this);
            if (pa_stream_connect_playback(m_stream, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
                state = Broken;
        }
    }
    const bool playing = m_stream && state != Broken && waitForServer([this] {
                             const auto s = pa_stream_state_t(m_streamState.load());
                             return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
                         }) && m_streamState == PA_STREAM_READY;
    if (s_exiting)
        return;
    int opening = Opening;
    if (!playing || !state.compare_exchange_strong(opening, Ready)) {
        state = Broken;
        release();
        return;
    }
    m_timer = new QTimer(this);
    m_timer->setInterval(kTickMs);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &AudioOutput::tick);
    m_lastProcessedUs = processedUs();
    healthyAt = nowMs();
    // Registered after the sound library made its globals, so it runs before they go.
    stopAtExit();
}

void AudioOutput::release()
{
    if (!m_loop)
        return;
    {
        Locked lock(m_loop);
        if (m_stream) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
            m_stream = nullptr;
        }
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    // Nothing here waits for the server: the connection is only closed.
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void AudioOutput::timingCame(pa_stream *, int, void *self)
{
    static_cast<AudioOutput *>(self)->m_timingAsked = false;
}

qint64 AudioOutput::processedUs()
{
    Locked lock(m_loop);
    // One question at a time: a frozen server must not pile them up.
    if (!m_timingAsked) {
        if (pa_operation *o = pa_stream_update_timing_info(m_stream, timingCame, this)) {
            pa_operation_unref(o);
            m_timingAsked = true;
        }
    }
    const pa_timing_info *info = pa_stream_get_timing_info(m_stream);
    if (!info)
        return std::max<qint64>(m_lastProcessedUs, 0);
    const pa_sample_spec *format = pa_stream_get_sample_spec(m_stream);
    // What the server took, less what its sink still holds once it has that much, plus the
    // time since it said so; never more than was written, and never going back.
    qint64 us = qint64(pa_bytes_to_usec(uint64_t(std::max<int64_t>(info->read_index, 0)), format));
    if (info->since_underrun >= 0 && pa_bytes_to_usec(uint64_t(info->since_underrun), format) > info->sink_usec)
        us -= qint64(info->sink_usec);
    if (info->playing)
        us += qint64(pa_timeval_age(&info->timestamp));
    us = std::min(us, qint64(pa_bytes_to_usec(uint64_t(std::max<int64_t>(info->write_index, 0)), format)));
    return std::max(us, m_lastProcessedUs);
}

qsizetype AudioOutput::bytesFree()
{
    Locked lock(m_loop);
    const size_t free = pa_stream_writable_size(m_stream);
    return free == size_t(-1) ? 0 : qsizetype(free);
}

bool AudioOutput::write(const char *data, qsizetype size, bool last)
{
    Locked lock(m_loop);
    if (pa_stream_write(m_stream, data, size_t(size), nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return false;
    m_idle = false;
    // The end of a phrase shorter than the server's pre-buffer would wait there for more.
    if (last) {
        if (pa_operation *o = pa_stream_trigger(m_stream, nullptr, nullptr))
            pa_operation_unref(o);
    }
    return true;
}

void AudioOutput::play(quint64 id, const QByteArray &pcm, int durationMs)
{
    if (s_exiting || state != Ready || wantedId != id)
        return;
    m_id = id;
    m_pcm = pcm;
    m_durationMs = durationMs;
    m_written = 0;
    m_baseUs = processedUs();
    m_wall.start();
    m_probing = false;
    playedMs = 0;
    progressAt = nowMs();
    playingId = id;
    m_timer->start();
    tick();
}

void AudioOutput::stopPhrase()
{
    // The rest of the phrase must not play late, when a frozen server answers again.
    {
        Locked lock(m_loop);
        if (pa_operation *o = pa_stream_flush(m_stream, nullptr, nullptr))
            pa_operation_unref(o);
    }
    m_id = 0;
    playingId = 0;
    m_pcm.clear();
    // Keep a trickle of silence going until the output shows it plays again.
    m_probing = true;
    m_lastProcessedUs = processedUs();
    m_timer->start();
}

void AudioOutput::tick()
{
    if (s_exiting || !m_stream || state == Broken)
        return;
    const qint64 now = nowMs();
    const qint64 processed = processedUs();
    if (processed != m_lastProcessedUs) {
        m_lastProcessedUs = processed;
        healthyAt = now;
        progressAt = now;
        m_probing = false;
    }
    if (m_id && wantedId != m_id)
        stopPhrase();
    if (!m_id) {
        if (m_probing) {
            static const QByteArray silence(Utterance::kSampleRate * 2 * kTickMs / 1000, '\0');
            if (bytesFree() >= silence.size())
                write(silence.constData(), silence.size(), true);
        } else {
            // Nothing to play, nothing to watch: no cost between phrases.
            m_timer->stop();
        }
        return;
    }
    const qsizetype chunk = std::min(bytesFree(), m_pcm.size() - m_written);
    if (chunk > 0 && write(m_pcm.constData() + m_written, chunk, m_written + chunk == m_pcm.size())) {
        m_written += chunk;
        progressAt = now;
    }
    const int played = int(std::min<qint64>((processed - m_baseUs) / 1000, m_durationMs));
    playedMs = std::max(0, played);
    const qint64 wall = m_wall.elapsed();
    // The server runs dry before the first sample plays too: trust that only near the end.
    if (m_written >= m_pcm.size()
        && (played >= m_durationMs || (m_idle && wall >= m_durationMs) || wall >= m_durationMs + kDrainGraceMs)) {
        finishedId = m_id;
        m_id = 0;
        playingId = 0;
    }
}

void AudioOutput::close()
{
    // Stop the stream while the sound library is whole, then leave the thread.
    if (m_timer)
        m_timer->stop();
    release();
    QThread::currentThread()->quit();
}

AudioOutput *audioOutput()
{
    if (!s_audio && !s_exiting) {
        s_audioThread = new QThread;
        s_audioThread->setObjectName(QStringLiteral("tirlindo-audio"));
        s_audio = new AudioOutput;
        s_audio->moveToThread(s_audioThread);
        s_audioThread->start();
        AudioOutput *audio = s_audio;
        QMetaObject::invokeMethod(audio, [audio] { audio->open(); }, Qt::QueuedConnection);
    }
    return s_audio;
}

} // namespace

VoiceWorker *VoiceWorker::shared()
{
    if (!s_worker) {
        qRegisterMetaType<Utterance>();
        qRegisterMetaType<VoiceSettings>();
        s_synthThread = QThread::create(startSynthesizer);
        s_synthThread->setObjectName(QStringLiteral("tirlindo-synth"));
        s_synthThread->start();
        s_voiceThread = new QThread;
        s_voiceThread->setObjectName(QStringLiteral("tirlindo-voice"));
        s_worker = new VoiceWorker;
        s_worker->moveToThread(s_voiceThread);
        s_voiceThread->start();
        qAddPostRoutine(shutDownAtQuit);
        stopAtExit();
    }
    return s_worker;
}

void VoiceWorker::shutDown(int statusIfStuck)
{
    if (s_exiting.exchange(true) || !s_worker)
        return;
    if (s_audio) {
        AudioOutput *audio = s_audio;
        QMetaObject::invokeMethod(audio, [audio] { audio->close(); }, Qt::QueuedConnection);
    }
    VoiceWorker *worker = s_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker] {
            if (worker->m_ticker)
                worker->m_ticker->stop();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    const QDeadlineTimer deadline(1500);
    bool stopped = s_voiceThread->wait(deadline);
    if (s_audioThread)
        stopped = s_audioThread->wait(deadline) && stopped;
    stopped = s_synthThread->wait(deadline) && stopped;
    if (!stopped) {
        // A thread is held by a frozen sound server: tearing the libraries down under it
        // would crash, and waiting could take minutes.
        std::fflush(nullptr);
        ::_exit(statusIfStuck);
    }
}

VoiceWorker::VoiceWorker() = default;

VoiceWorker::~VoiceWorker() = default;

Utterance VoiceWorker::synthesize(const QString &text, const VoiceSettings &settings)
{
    static bool waited = false;
    const bool ready = synthesizerReady(std::exchange(waited, true) ? 0 : kFirstSynthWaitMs);
    if (!ready)
        return UtteranceText::estimated(text);
    const QString voice = settings.variant.isEmpty() ? settings.language
                                                     : settings.language + QLatin1Char('+') + settings.variant;
    if (espeak_SetVoiceByName(voice.toUtf8().constData()) != EE_OK)
        return UtteranceText::estimated(text);
    // Full volume brings some phrases within a hair of full scale: leave room.
    espeak_SetParameter(espeakVOLUME, kVolume, 0);
    espeak_SetParameter(espeakRATE, settings.rate, 0);
    espeak_SetParameter(espeakPITCH, settings.pitch, 0);
    espeak_SetParameter(espeakRANGE, settings.range, 0);

    Utterance u;
    u.text = text;
    // A comma keeps the voice up at the end: the phrase that follows completes it. The word
    // events still point into the text as given, which the comma only follows.
    const QByteArray utf8 = settings.continues ? (text + QLatin1Char(',')).toUtf8() : text.toUtf8();
    s_collecting = &u;
    const espeak_ERROR result = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER,
                                             0, espeakCHARS_UTF8, nullptr, nullptr);
    s_collecting = nullptr;
    if (result != EE_OK || u.pcm.isEmpty())
        return UtteranceText::estimated(text);
    UtteranceText::soften(u.pcm);
    if (settings.continues)
        UtteranceText::fitTrailingSilence(u.pcm, kContinuingPauseMs);
    u.durationMs = int(qint64(u.pcm.size()) * 1000 / (2 * Utterance::kSampleRate));
    u.levels = UtteranceText::mouthLevels(u.pcm);
    return u;
}

void VoiceWorker::speak(quint64 id, const QString &text, const VoiceSettings &settings)
{
    if (s_exiting)
        return;
    Job job{id, synthesize(text, settings), settings};
    Q_EMIT synthesized(id, job.utterance);
    m_jobs.enqueue(std::move(job));
    if (!m_current)
        startNext();
}

void VoiceWorker::cancel(quint64 id)
{
    m_jobs.removeIf([id](const Job &j) { return j.id == id; });
    if (m_current && m_current->id == id) {
        if (s_audio)
            s_audio->wantedId = 0;
        m_current.reset();
        m_ticker->stop();
        startNext();
    }
}

void VoiceWorker::startNext()
{
    if (m_jobs.isEmpty() || s_exiting)
        return;
    m_current = std::make_unique<Job>(m_jobs.dequeue());
    if (!m_ticker) {
        m_ticker = new QTimer(this);
        m_ticker->setInterval(kTickMs);
        m_ticker->setTimerType(Qt::PreciseTimer);
        connect(m_ticker, &QTimer::timeout, this, &VoiceWorker::tick);
    }
    const Utterance &u = m_current->utterance;
    m_lastReportedMs = -1;
    m_lastPlayedMs = 0;
    m_silentFromMs = 0;
    m_currentAudible = false;
    if (m_current->settings.audio && !u.isSilent()) {
        AudioOutput *audio = audioOutput();
        // After a stall, only an output that has played since is trusted again.
        const bool trusted = m_distrustedAt < 0 || audio->healthyAt > m_distrustedAt;
        if (audio->state != AudioOutput::Broken && trusted) {
            m_distrustedAt = -1;
            m_currentAudible = true;
            const quint64 id = m_current->id;
            audio->wantedId = id;
            QMetaObject::invokeMethod(
                audio, [audio, id, pcm = u.pcm, ms = u.durationMs] { audio->play(id, pcm, ms); },
                Qt::QueuedConnection);
        }
    }
    m_lastProgressAt = nowMs();
    m_clock.start();
    m_ticker->start();
    tick();
}

void VoiceWorker::switchToSilence(int fromMs)
{
    if (s_audio)
        s_audio->wantedId = 0;
    m_currentAudible = false;
    m_silentFromMs = fromMs;
    m_clock.start();
}

void VoiceWorker::tick()
{
    if (!m_current || s_exiting)
        return;
    const Utterance &u = m_current->utterance;
    const quint64 id = m_current->id;
    int playedMs = 0;
    bool done = false;
    if (m_currentAudible) {
        AudioOutput *audio = s_audio;
        if (audio->finishedId == id) {
            playedMs = u.durationMs;
            done = true;
        } else if (audio->state == AudioOutput::Broken) {
            switchToSilence(m_lastPlayedMs);
        } else {
            if (audio->playingId == id) {
                m_lastPlayedMs = std::max(m_lastPlayedMs, int(audio->playedMs));
                m_lastProgressAt = std::max(m_lastProgressAt, qint64(audio->progressAt));
            }
            playedMs = m_lastPlayedMs;
            // Frozen, or still opening on a frozen server: go on without it.
            if (nowMs() - m_lastProgressAt > kStallMs) {
                m_distrustedAt = nowMs();
                switchToSilence(m_lastPlayedMs);
            }
        }
    }
    if (!m_currentAudible) {
        const double pace = m_current->settings.pace > 0 ? m_current->settings.pace : 1.0;
        playedMs = m_silentFromMs + int(double(m_clock.elapsed()) / pace);
        done = playedMs >= u.durationMs;
    }
    playedMs = std::min(playedMs, u.durationMs);
    if (playedMs != m_lastReportedMs) {
        m_lastReportedMs = playedMs;
        Q_EMIT progressed(id, playedMs);
    }
    if (done)
        finish(m_currentAudible);
}

void VoiceWorker::finish(bool audible)
{
    const quint64 id = m_current->id;
    m_current.reset();
    m_ticker->stop();
    Q_EMIT spoken(id, audible);
    startNext();
}
