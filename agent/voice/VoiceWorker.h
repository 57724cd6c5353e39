// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/voice/Utterance.h"
#include "agent/voice/VoiceSettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <memory>

class QTimer;

// The phrase queue and its clock, on a thread of their own that never waits for the sound
// server. The synthesiser starts on a thread of its own (it may block half a minute on a
// frozen server) and the sound plays on another (which, connecting, waits for a frozen server
// half a minute at most). Until the synthesiser is ready a phrase is paced at an estimated
// speed; a sound output that takes no data for two seconds is left behind and the phrase goes
// on in silence, so the balloon and the mouth always follow the words.
class VoiceWorker : public QObject
{
    Q_OBJECT
public:
    // The process's one worker, on its thread, stopped when the application ends.
    static VoiceWorker *shared();

    // Stops playback and the voice's threads before anything they use is torn down. Called on
    // every way out of the program; later calls do nothing. If a thread is stuck in a frozen
    // sound server, tearing down under it would crash: the process then ends at once with
    // `statusIfStuck`.
    static void shutDown(int statusIfStuck);

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
    Utterance synthesize(const QString &text, const VoiceSettings &settings);
    void startNext();
    void tick();
    void switchToSilence(int fromMs);
    void finish(bool audible);

    QTimer *m_ticker = nullptr;
    QQueue<Job> m_jobs;
    std::unique_ptr<Job> m_current;
    bool m_currentAudible = false;
    int m_silentFromMs = 0;
    int m_lastReportedMs = -1;
    int m_lastPlayedMs = 0;
    qint64 m_lastProgressAt = 0;
    // After a stall, sound is used again only once the output shows it plays.
    qint64 m_distrustedAt = -1;
    QElapsedTimer m_clock;
};
