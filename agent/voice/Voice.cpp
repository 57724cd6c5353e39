// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/Voice.h"

#include "agent/voice/AudioOutput.h"
#include "agent/voice/EspeakSynthesizer.h"
#include "agent/voice/VoiceWorker.h"

#include <QDeadlineTimer>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

struct Voice::ExitHook
{
    std::atomic<Voice *> voice{nullptr};
};

Voice::Voice()
    : m_synthesizer(std::make_unique<EspeakSynthesizer>())
{
    auto output = std::make_unique<AudioOutput>();
    m_serverOutput = output.get();
    m_output = std::move(output);
    // It exists before its thread starts, so a shut-down finds it whatever the timing.
    m_audioThread.setObjectName(QStringLiteral("tirlindo-audio"));
    m_serverOutput->moveToThread(&m_audioThread);
    m_audioThread.start();
    start();
}

Voice::Voice(std::unique_ptr<Synthesizer> synthesizer, std::unique_ptr<SoundOutput> output)
    : m_synthesizer(std::move(synthesizer))
    , m_output(std::move(output))
{
    start();
}

void Voice::start()
{
    qRegisterMetaType<Utterance>();
    qRegisterMetaType<VoiceSettings>();
    m_worker = std::make_unique<VoiceWorker>(*m_synthesizer, m_output.get());
    m_exitHook = new ExitHook;
    m_voiceThread.setObjectName(QStringLiteral("tirlindo-voice"));
    m_worker->moveToThread(&m_voiceThread);
    m_voiceThread.start();

    // Registered after the sound library set itself up (the output made its loop), so it
    // runs before the library's own clean-up at exit.
    m_exitHook->voice = this;
    on_exit(stopAtExit, m_exitHook); // hands over the status given to exit()
}

Voice::~Voice()
{
    shutDown(EXIT_SUCCESS);
}

void Voice::stopAtExit(int status, void *hook)
{
    // A normal end has stopped the voice already.
    Voice *voice = static_cast<ExitHook *>(hook)->voice.exchange(nullptr);
    if (!voice)
        return;
    // exit() from inside a library (the X connection broke) runs this before the sound
    // library's own clean-up.
    voice->shutDown(status);
    // Nothing is left to save, and the rest of the teardown would run under threads that
    // the libraries still have going: end here, with the status given.
    std::fflush(nullptr);
    ::_exit(status);
}

void Voice::shutDown(int statusIfStuck)
{
    if (m_down.exchange(true))
        return;
    m_exitHook->voice = nullptr;
    if (AudioOutput *output = m_serverOutput) {
        output->abandon();
        QMetaObject::invokeMethod(output, [output] { output->close(); }, Qt::QueuedConnection);
    }
    VoiceWorker *worker = m_worker.get();
    QMetaObject::invokeMethod(
        worker,
        [worker] {
            worker->stop();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    const QDeadlineTimer deadline(1500);
    bool stopped = m_voiceThread.wait(deadline);
    stopped = m_audioThread.wait(deadline) && stopped;
    stopped = m_synthesizer->finishStarting(deadline) && stopped;
    if (!stopped) {
        // A thread is held by a frozen sound server: tearing the libraries down under it
        // would crash, and waiting could take minutes.
        std::fflush(nullptr);
        ::_exit(statusIfStuck);
    }
}
