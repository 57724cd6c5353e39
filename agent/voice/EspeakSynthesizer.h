// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/voice/Synthesizer.h"

#include <condition_variable>
#include <mutex>

class QThread;

// espeak-ng, started on a thread of its own (it may block half a minute on a frozen sound
// server while it looks at its audio back end). The first phrase waits for it a moment, later
// ones not at all: until it is ready phrases are paced silently.
class EspeakSynthesizer : public Synthesizer
{
public:
    EspeakSynthesizer();
    ~EspeakSynthesizer() override;

    Utterance synthesize(const QString &text, const VoiceSettings &settings) override;

    // Waits for the start-up thread; false when it is still stuck in the library.
    bool finishStarting(QDeadlineTimer deadline) override;

private:
    enum State { Starting, Ready, Failed };

    void start();
    bool ready(int waitMs);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    State m_state = Starting;
    bool m_waitedOnce = false;
    QThread *m_starter = nullptr;
};
