// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/VoiceWorker.h"

#include "agent/voice/SoundOutput.h"
#include "agent/voice/Synthesizer.h"
#include "agent/voice/VoiceClock.h"

#include <QTimer>

#include <algorithm>

using VoiceClock::nowMs;

namespace {

// A sound output that neither takes data nor plays any for this long is not waited for.
constexpr int kStallMs = 2000;

} // namespace

VoiceWorker::VoiceWorker(Synthesizer &synthesizer, SoundOutput *output)
    : m_synthesizer(synthesizer)
    , m_output(output)
{
}

VoiceWorker::~VoiceWorker() = default;

void VoiceWorker::speak(quint64 id, const QString &text, const VoiceSettings &settings)
{
    if (m_stopped)
        return;
    Job job{id, m_synthesizer.synthesize(text, settings), settings};
    Q_EMIT synthesized(id, job.utterance);
    m_jobs.enqueue(std::move(job));
    if (!m_current)
        startNext();
}

void VoiceWorker::cancel(quint64 id)
{
    m_jobs.removeIf([id](const Job &j) { return j.id == id; });
    if (m_current && m_current->id == id) {
        if (m_currentAudible)
            m_output->stop();
        m_current.reset();
        m_ticker->stop();
        startNext();
    }
}

void VoiceWorker::stop()
{
    m_stopped = true;
    m_jobs.clear();
    if (m_ticker)
        m_ticker->stop();
}

void VoiceWorker::startNext()
{
    if (m_jobs.isEmpty() || m_stopped)
        return;
    m_current = std::make_unique<Job>(m_jobs.dequeue());
    if (!m_ticker) {
        m_ticker = new QTimer(this);
        m_ticker->setInterval(VoiceClock::kTickMs);
        m_ticker->setTimerType(Qt::PreciseTimer);
        connect(m_ticker, &QTimer::timeout, this, &VoiceWorker::tick);
    }
    m_lastReportedMs = -1;
    m_lastPlayedMs = 0;
    m_silentFromMs = 0;
    m_currentAudible = false;
    if (m_output && m_current->settings.audio && !m_current->utterance.isSilent()) {
        const SoundOutput::Progress output = m_output->progress();
        // After a stall, only an output that has played since is trusted again.
        const bool trusted = m_distrustedAt < 0 || output.healthyAt > m_distrustedAt;
        if (output.usable && trusted) {
            m_distrustedAt = -1;
            m_currentAudible = true;
            playFrom(0);
        }
    }
    m_lastProgressAt = nowMs();
    m_lastTickAt = VoiceClock::sinceBootMs();
    m_clock.start();
    m_ticker->start();
    tick();
}

void VoiceWorker::playFrom(int fromMs)
{
    const Utterance &u = m_current->utterance;
    m_playFromMs = fromMs;
    const qsizetype fromByte = qsizetype(fromMs) * Utterance::kSampleRate / 1000 * 2;
    m_output->play(++m_playId, u.pcm.mid(fromByte), u.durationMs - fromMs);
}

int VoiceWorker::wordStartBefore(int ms) const
{
    int start = 0;
    for (const SpokenWord &w : m_current->utterance.words)
        if (w.audioMs <= ms)
            start = std::max(start, w.audioMs);
    return start;
}

void VoiceWorker::switchToSilence(int fromMs)
{
    m_output->stop();
    m_currentAudible = false;
    m_silentFromMs = fromMs;
    m_clock.start();
}

void VoiceWorker::tick()
{
    if (!m_current || m_stopped)
        return;
    const Utterance &u = m_current->utterance;
    const quint64 id = m_current->id;
    const qint64 bootNow = VoiceClock::sinceBootMs();
    if (bootNow - m_lastTickAt > VoiceClock::kSuspendGapMs) {
        // The whole computer stood still, not the output: no stall to blame it for. A silent
        // phrase goes on from the word it was in; the output says when its sound was cut.
        m_lastProgressAt = nowMs();
        if (!m_currentAudible) {
            m_silentFromMs = wordStartBefore(std::max(m_lastReportedMs, 0));
            m_clock.start();
        }
    }
    m_lastTickAt = bootNow;
    int playedMs = 0;
    bool done = false;
    if (m_currentAudible) {
        const SoundOutput::Progress output = m_output->progress();
        if (output.finishedId == m_playId) {
            playedMs = u.durationMs;
            done = true;
        } else if (output.interruptedId == m_playId) {
            m_lastPlayedMs = wordStartBefore(m_playFromMs + output.interruptedAtMs);
            m_lastProgressAt = nowMs();
            playedMs = m_lastPlayedMs;
            playFrom(m_lastPlayedMs);
        } else if (!output.usable) {
            switchToSilence(m_lastPlayedMs);
        } else {
            if (output.playingId == m_playId) {
                m_lastPlayedMs = std::max(m_lastPlayedMs, m_playFromMs + output.playedMs);
                m_lastProgressAt = std::max(m_lastProgressAt, output.progressAt);
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
