// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/agent/VoiceWorker.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <espeak-ng/speak_lib.h>

#include <algorithm>

namespace {

constexpr int kTickMs = 20;
// A sink that stops reporting progress must not hold the queue for ever.
constexpr int kPlaybackGraceMs = 2500;

QThread *s_thread = nullptr;
VoiceWorker *s_worker = nullptr;

// espeak delivers samples and word events through a C callback; synthesis runs on the one
// voice thread, so one collecting target is enough.
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
    }
    return 0;
}

void stopShared()
{
    if (!s_thread)
        return;
    s_thread->quit();
    if (!s_thread->wait(3000)) {
        // Stuck in a frozen sound server: do not keep the program from ending.
        s_thread->terminate();
        s_thread->wait(1000);
    }
    delete s_thread;
    s_thread = nullptr;
    s_worker = nullptr;
}

} // namespace

VoiceWorker *VoiceWorker::shared()
{
    if (!s_worker) {
        qRegisterMetaType<Utterance>();
        qRegisterMetaType<VoiceSettings>();
        s_thread = new QThread;
        s_thread->setObjectName(QStringLiteral("tirlindo-voice"));
        s_worker = new VoiceWorker;
        s_worker->moveToThread(s_thread);
        QObject::connect(s_thread, &QThread::finished, s_worker, &QObject::deleteLater);
        s_thread->start();
        qAddPostRoutine(stopShared);
    }
    return s_worker;
}

VoiceWorker::VoiceWorker() = default;

VoiceWorker::~VoiceWorker()
{
    if (m_sink)
        m_sink->stop();
}

bool VoiceWorker::ensureSynthesizer()
{
    if (m_synthTried)
        return m_synthOk;
    m_synthTried = true;
    // Without DONT_EXIT espeak ends the whole program on a data error.
    m_synthOk = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT)
                == Utterance::kSampleRate;
    if (m_synthOk)
        espeak_SetSynthCallback(collect);
    else
        qWarning("tirlindo: sintesi vocale non disponibile, il mago parla in silenzio");
    return m_synthOk;
}

Utterance VoiceWorker::synthesize(const QString &text, const VoiceSettings &settings)
{
    if (!ensureSynthesizer())
        return UtteranceText::estimated(text);
    if (espeak_SetVoiceByName(settings.language.toUtf8().constData()) != EE_OK)
        return UtteranceText::estimated(text);
    espeak_SetParameter(espeakRATE, settings.rate, 0);
    espeak_SetParameter(espeakPITCH, settings.pitch, 0);

    Utterance u;
    u.text = text;
    s_collecting = &u;
    const QByteArray utf8 = text.toUtf8();
    const espeak_ERROR result = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER,
                                             0, espeakCHARS_UTF8, nullptr, nullptr);
    s_collecting = nullptr;
    if (result != EE_OK || u.pcm.isEmpty())
        return UtteranceText::estimated(text);
    u.durationMs = int(qint64(u.pcm.size()) * 1000 / (2 * Utterance::kSampleRate));
    u.levels = UtteranceText::mouthLevels(u.pcm);
    return u;
}

void VoiceWorker::speak(quint64 id, const QString &text, const VoiceSettings &settings)
{
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
        m_current.reset();
        m_ticker->stop();
        startNext();
    }
}

bool VoiceWorker::ensureSink()
{
    if (m_audioBroken)
        return false;
    if (m_audioTried)
        return m_sink != nullptr;
    m_audioTried = true;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        m_audioBroken = true;
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(Utterance::kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_sinkDevice = m_sink->start();
    // With no server the sink fails at once and never reports a state change.
    if (!m_sinkDevice || m_sink->error() != QAudio::NoError) {
        m_sink.reset();
        m_sinkDevice = nullptr;
        m_audioBroken = true;
        return false;
    }
    connect(m_sink.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        // The server went away mid-phrase: the rest of this one and all later ones go silent.
        if (state == QAudio::StoppedState && m_sink->error() != QAudio::NoError && !m_audioBroken) {
            m_audioBroken = true;
            if (m_current && m_currentAudible) {
                const int playedMs = int((m_sink->processedUSecs() - m_processedBaseUs) / 1000);
                switchToSilence(std::max(0, playedMs));
            }
        }
    });
    return true;
}

void VoiceWorker::startNext()
{
    if (m_jobs.isEmpty())
        return;
    m_current = std::make_unique<Job>(m_jobs.dequeue());
    if (!m_ticker) {
        m_ticker = new QTimer(this);
        m_ticker->setInterval(kTickMs);
        m_ticker->setTimerType(Qt::PreciseTimer);
        connect(m_ticker, &QTimer::timeout, this, &VoiceWorker::tick);
    }
    m_lastReportedMs = -1;
    m_written = 0;
    m_currentAudible = m_current->settings.audio && !m_current->utterance.isSilent() && ensureSink();
    if (m_currentAudible)
        m_processedBaseUs = m_sink->processedUSecs();
    else
        m_silentFromMs = 0;
    m_clock.start();
    m_ticker->start();
    tick();
}

void VoiceWorker::switchToSilence(int fromMs)
{
    m_currentAudible = false;
    m_silentFromMs = fromMs;
    m_clock.start();
}

void VoiceWorker::tick()
{
    if (!m_current)
        return;
    const Utterance &u = m_current->utterance;
    int playedMs = 0;
    bool done = false;
    if (m_currentAudible) {
        const qsizetype free = m_sink->bytesFree();
        const qsizetype chunk = std::min(free, u.pcm.size() - m_written);
        if (chunk > 0)
            m_written += m_sinkDevice->write(u.pcm.constData() + m_written, chunk);
        playedMs = int((m_sink->processedUSecs() - m_processedBaseUs) / 1000);
        const qint64 wall = m_clock.elapsed();
        const bool allWritten = m_written >= u.pcm.size();
        // Idle comes early too, before the first sample plays: trust it only near the end.
        done = allWritten
               && (playedMs >= u.durationMs
                   || (m_sink->state() == QAudio::IdleState && wall >= u.durationMs)
                   || wall >= u.durationMs + kPlaybackGraceMs);
    } else {
        const double pace = m_current->settings.pace > 0 ? m_current->settings.pace : 1.0;
        playedMs = m_silentFromMs + int(double(m_clock.elapsed()) / pace);
        done = playedMs >= u.durationMs;
    }
    playedMs = std::min(playedMs, u.durationMs);
    if (playedMs != m_lastReportedMs) {
        m_lastReportedMs = playedMs;
        Q_EMIT progressed(m_current->id, playedMs);
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
