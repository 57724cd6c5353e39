// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/voice/Utterance.h"
#include "agent/voice/VoiceSettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QQueue>

#include <atomic>
#include <memory>

class QTimer;
class SoundOutput;
class Synthesizer;

// The phrase queue and its clock, on a thread that never waits for the sound server. Until
// the synthesiser is ready a phrase is paced at an estimated speed; a sound output that takes
// no data for two seconds is left behind and the phrase goes on in silence, so the balloon and
// the mouth always follow the words. After the computer stood still (a suspend) a phrase goes
// on from the start of the word it was in.
class VoiceWorker : public QObject
{
    Q_OBJECT
public:
    // `output` may be null: every phrase is then paced silently.
    VoiceWorker(Synthesizer &synthesizer, SoundOutput *output);
    ~VoiceWorker() override;

    // A phrase id no one else speaking through this worker has; callable from any thread.
    quint64 newId() { return ++m_lastId; }

public Q_SLOTS:
    void speak(quint64 id, const QString &text, const VoiceSettings &settings);
    void cancel(quint64 id);
    // The last call: nothing is said after it.
    void stop();

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

    void startNext();
    void playFrom(int fromMs);
    void tick();
    void switchToSilence(int fromMs);
    void finish(bool audible);
    int wordStartBefore(int ms) const;

    std::atomic<quint64> m_lastId{0};
    Synthesizer &m_synthesizer;
    SoundOutput *m_output = nullptr;
    bool m_stopped = false;
    QTimer *m_ticker = nullptr;
    QQueue<Job> m_jobs;
    std::unique_ptr<Job> m_current;
    bool m_currentAudible = false;
    quint64 m_playId = 0;    // what the output is asked to play: the phrase, or its rest
    int m_playFromMs = 0;    // where in the phrase that starts
    int m_silentFromMs = 0;
    int m_lastReportedMs = -1;
    int m_lastPlayedMs = 0;
    qint64 m_lastProgressAt = 0;
    qint64 m_lastTickAt = 0; // on the clock that counts a suspend
    // After a stall, sound is used again only once the output shows it plays.
    qint64 m_distrustedAt = -1;
    QElapsedTimer m_clock;
};
