// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/voice/SoundOutput.h"
#include "agent/voice/Synthesizer.h"

#include <QThread>

#include <atomic>
#include <memory>

class AudioOutput;
class VoiceWorker;

// The character's voice and everything it runs on: the synthesiser (started on a thread of
// its own), the sound output on the audio thread, and the phrase queue on the voice thread.
// Made and stopped on the UI thread, which talks to the queue only through queued calls.
class Voice
{
public:
    // espeak-ng, played through the sound server.
    Voice();
    // A synthesiser and an output of the caller's choice (null: every phrase paced silently),
    // for tests and tools; the output is then called on the voice thread.
    Voice(std::unique_ptr<Synthesizer> synthesizer, std::unique_ptr<SoundOutput> output);
    ~Voice();

    VoiceWorker *worker() const { return m_worker.get(); }

    // Stops playback and the threads before anything they use is torn down. Called on every
    // way out of the program; later calls do nothing. If a thread is stuck in a frozen sound
    // server, tearing down under it would crash: the process then ends at once with
    // `statusIfStuck`.
    void shutDown(int statusIfStuck);

private:
    struct ExitHook;
    static void stopAtExit(int status, void *hook);

    std::atomic<bool> m_down{false};
    void start();

    std::unique_ptr<Synthesizer> m_synthesizer;
    std::unique_ptr<SoundOutput> m_output;
    AudioOutput *m_serverOutput = nullptr; // m_output, when it is the sound server's
    std::unique_ptr<VoiceWorker> m_worker;
    QThread m_audioThread;
    QThread m_voiceThread;
    // Reached from exit() when a library ends the program (the X connection broke); it
    // outlives this object, since an exit handler cannot be taken back.
    ExitHook *m_exitHook = nullptr;
};
