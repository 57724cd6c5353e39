// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/AudioOutput.h"

#include "agent/voice/Utterance.h"
#include "agent/voice/VoiceClock.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <pulse/pulseaudio.h>

#include <algorithm>

using VoiceClock::kTickMs;
using VoiceClock::nowMs;

namespace {

// After the last sample went out, how long to wait for the output to say it played it.
constexpr int kDrainGraceMs = 2500;
// How far ahead of what is heard the voice is written: libpulse's own default. At 100 ms a
// phrase that followed a pause lost its first 20 ms.
constexpr int kBufferMs = 250;
// A sound server that does not answer in this long is not waited for again.
constexpr int kServerWaitMs = 30000;
// While no server answers, it is looked for this often: a refused connection costs a few
// microseconds, and the next phrase after its return is heard.
constexpr int kRetryMs = 1000;

} // namespace

AudioOutput::Locked::Locked(pa_threaded_mainloop *loop)
    : m_loop(loop)
{
    pa_threaded_mainloop_lock(loop);
}

AudioOutput::Locked::~Locked()
{
    pa_threaded_mainloop_unlock(m_loop);
}

AudioOutput::AudioOutput()
    : m_loop(pa_threaded_mainloop_new())
    , m_timer(new QTimer(this))
    , m_retry(new QTimer(this))
{
    if (m_loop) {
        pa_threaded_mainloop_set_name(m_loop, "tirlindo-pulse");
    } else {
        m_state = Broken;
    }
    m_timer->setInterval(kTickMs);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &AudioOutput::tick);
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (!connectToServer())
            m_retry->start();
    });
}

AudioOutput::~AudioOutput()
{
    // close() has run on the output's thread; this only frees what is left.
    if (m_loop)
        pa_threaded_mainloop_free(m_loop);
}

void AudioOutput::contextChanged(pa_context *context, void *self)
{
    auto *out = static_cast<AudioOutput *>(self);
    const pa_context_state_t s = pa_context_get_state(context);
    out->m_contextState = s;
    if (!PA_CONTEXT_IS_GOOD(s))
        out->wentAway();
    out->notify();
}

void AudioOutput::streamChanged(pa_stream *stream, void *self)
{
    auto *out = static_cast<AudioOutput *>(self);
    const pa_stream_state_t s = pa_stream_get_state(stream);
    out->m_streamState = s;
    if (!PA_STREAM_IS_GOOD(s))
        out->wentAway();
    out->notify();
}

void AudioOutput::wentAway()
{
    // This phrase goes silent at once; the output's own thread looks for a server again.
    m_state = Broken;
    QMetaObject::invokeMethod(this, [this, g = m_generation.load()] { lost(g); }, Qt::QueuedConnection);
}

void AudioOutput::ranDry(pa_stream *, void *self)
{
    static_cast<AudioOutput *>(self)->m_idle = true;
}

void AudioOutput::timingCame(pa_stream *, int, void *self)
{
    static_cast<AudioOutput *>(self)->m_timingAsked = false;
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
        if (m_exiting || deadline.hasExpired())
            return false;
        m_changed.wait_for(lock, std::chrono::milliseconds(50));
    }
    return true;
}

bool AudioOutput::connectToServer()
{
    if (m_exiting || !m_loop)
        return false;
    disconnectFromServer();
    ++m_generation;
    m_contextState = PA_CONTEXT_UNCONNECTED;
    m_streamState = PA_STREAM_UNCONNECTED;
    bool failed = false;
    {
        Locked lock(m_loop);
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Tirlindo");
        if (m_context) {
            pa_context_set_state_callback(m_context, contextChanged, this);
            // No server is started for us: without one the wizard speaks in silence.
            failed = pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0;
        }
    }
    // The loop's thread runs from the first connection to the output's close.
    if (!m_loopStarted && m_context && !failed)
        m_loopStarted = pa_threaded_mainloop_start(m_loop) == 0;
    if (!m_context || failed || !m_loopStarted) {
        disconnectFromServer();
        m_state = Broken;
        return false;
    }
    // With no server the connection fails at once; a frozen one is waited for, but not forever.
    const bool connected = waitForServer([this] {
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
                failed = true;
        }
    }
    const bool playing = connected && m_stream && !failed && waitForServer([this] {
                             const auto s = pa_stream_state_t(m_streamState.load());
                             return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
                         }) && m_streamState == PA_STREAM_READY;
    if (!playing || m_exiting) {
        disconnectFromServer();
        m_state = Broken;
        return false;
    }
    m_idle = true;
    m_timingAsked = false;
    m_lastProcessedUs = -1;
    m_lastProcessedUs = processedUs();
    m_healthyAt = nowMs();
    m_state = Ready;
    return true;
}

void AudioOutput::disconnectFromServer()
{
    if (!m_context)
        return;
    // Nothing here waits for the server: the connection is only closed.
    Locked lock(m_loop);
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

void AudioOutput::lost(quint64 generation)
{
    if (generation != m_generation || m_exiting)
        return;
    m_state = Broken;
    m_id = 0;
    m_playingId = 0;
    m_pcm.clear();
    m_probing = false;
    m_timer->stop();
    disconnectFromServer();
    m_retry->start();
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
    m_wantedId = id;
    QMetaObject::invokeMethod(
        this,
        [this, id, pcm, durationMs] {
            if (m_exiting || m_wantedId != id)
                return;
            // The first phrase opens the connection: a game that never speaks never makes one.
            if (m_state == Closed && !connectToServer())
                m_retry->start();
            if (m_state != Ready || m_wantedId != id)
                return;
            m_id = id;
            m_pcm = pcm;
            m_durationMs = durationMs;
            startPhrase();
        },
        Qt::QueuedConnection);
}

void AudioOutput::stop()
{
    m_wantedId = 0;
}

SoundOutput::Progress AudioOutput::progress() const
{
    Progress p;
    p.usable = m_state != Broken;
    p.playingId = m_playingId;
    p.finishedId = m_finishedId;
    p.interruptedId = m_interruptedId;
    p.interruptedAtMs = m_interruptedAtMs;
    p.playedMs = m_playedMs;
    p.progressAt = m_progressAt;
    p.healthyAt = m_healthyAt;
    return p;
}

void AudioOutput::startPhrase()
{
    m_written = 0;
    m_baseUs = processedUs();
    m_wall.start();
    m_lastTickAt = VoiceClock::sinceBootMs();
    m_probing = false;
    m_playedMs = 0;
    m_progressAt = nowMs();
    m_playingId = m_id;
    m_timer->start();
    tick();
}

void AudioOutput::dropPhrase()
{
    // The rest of the phrase must not play late, when a frozen server answers again.
    {
        Locked lock(m_loop);
        if (pa_operation *o = pa_stream_flush(m_stream, nullptr, nullptr))
            pa_operation_unref(o);
    }
    m_id = 0;
    m_playingId = 0;
    m_pcm.clear();
    m_lastProcessedUs = processedUs();
    m_timer->start();
}

void AudioOutput::tick()
{
    if (m_exiting || !m_stream || m_state != Ready)
        return;
    const qint64 now = nowMs();
    const qint64 bootNow = VoiceClock::sinceBootMs();
    const bool stalled = bootNow - m_lastTickAt > VoiceClock::kSuspendGapMs;
    m_lastTickAt = bootNow;
    if (m_id && stalled) {
        // Back from a suspend: what the server still holds would resume mid-word.
        m_interruptedAtMs = m_playedMs.load();
        m_interruptedId = m_id;
        dropPhrase();
        return;
    }
    const qint64 processed = processedUs();
    if (processed != m_lastProcessedUs) {
        m_lastProcessedUs = processed;
        m_healthyAt = now;
        m_progressAt = now;
        m_probing = false;
    }
    if (m_id && m_wantedId != m_id) {
        dropPhrase();
        // Keep a trickle of silence going until the output shows it plays again.
        m_probing = true;
    }
    if (!m_id) {
        if (m_probing) {
            const QByteArray silence(Utterance::kSampleRate * 2 * kTickMs / 1000, '\0');
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
        m_progressAt = now;
    }
    const int played = int(std::min<qint64>((processed - m_baseUs) / 1000, m_durationMs));
    m_playedMs = std::max(0, played);
    const qint64 wall = m_wall.elapsed();
    // The server runs dry before the first sample plays too: trust that only near the end.
    if (m_written >= m_pcm.size()
        && (played >= m_durationMs || (m_idle && wall >= m_durationMs) || wall >= m_durationMs + kDrainGraceMs)) {
        m_finishedId = m_id;
        m_id = 0;
        m_playingId = 0;
    }
}

void AudioOutput::close()
{
    m_exiting = true;
    m_timer->stop();
    m_retry->stop();
    disconnectFromServer();
    if (m_loopStarted)
        pa_threaded_mainloop_stop(m_loop);
    QThread::currentThread()->quit();
}
