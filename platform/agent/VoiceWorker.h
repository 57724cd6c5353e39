// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/agent/Utterance.h"

#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <memory>

class QAudioSink;
class QIODevice;
class QTimer;

struct VoiceSettings
{
    QString language = QStringLiteral("it");
    int rate = 145;
    int pitch = 35;
    bool audio = true;   // false: never touch the sound server, pace silently
    double pace = 1.0;   // silent pacing only: 0.1 plays ten times faster
};
Q_DECLARE_METATYPE(VoiceSettings)

// Synthesis and playback, on one thread of their own: espeak keeps global state and may block
// for half a minute on a frozen sound server, and so may the first look at the audio devices.
// Phrases play one after another; with no usable sound server each one is paced silently, so
// the balloon and the mouth still follow the words.
class VoiceWorker : public QObject
{
    Q_OBJECT
public:
    // The process's one worker, on its thread, stopped when the application ends.
    static VoiceWorker *shared();

    ~VoiceWorker() override;

public Q_SLOTS:
    void speak(quint64 id, const QString &text, const VoiceSettings &settings);
    void cancel(quint64 id);

Q_SIGNALS:
    void synthesized(quint64 id, const Utterance &utterance);
    void progressed(quint64 id, int playedMs);
    void spoken(quint64 id, bool audible);

private:
    struct Job
    {
        quint64 id = 0;
        Utterance utterance;
        VoiceSettings settings;
    };

    VoiceWorker();
    bool ensureSynthesizer();
    Utterance synthesize(const QString &text, const VoiceSettings &settings);
    bool ensureSink();
    void startNext();
    void tick();
    void switchToSilence(int fromMs);
    void finish(bool audible);

    bool m_synthTried = false;
    bool m_synthOk = false;
    bool m_audioTried = false;
    bool m_audioBroken = false;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice *m_sinkDevice = nullptr;
    QTimer *m_ticker = nullptr;
    QQueue<Job> m_jobs;
    std::unique_ptr<Job> m_current;
    bool m_currentAudible = false;
    qsizetype m_written = 0;
    qint64 m_processedBaseUs = 0;
    int m_silentFromMs = 0;
    int m_lastReportedMs = -1;
    QElapsedTimer m_clock;
};
