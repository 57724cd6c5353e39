// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// How long a child waits between a Speak request and the first samples of the voice: the hop
// to the voice thread, espeak's synthesis, and the hop back.
#include "character/Agent.h"
#include "agent/AgentControl.h"
#include "agent/FloatingCharacter.h"
#include "agent/voice/EspeakSynthesizer.h"
#include "agent/voice/Voice.h"
#include "agent/voice/VoiceWorker.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

const QString kShort = QStringLiteral("Esatto");
const QString kLong = QStringLiteral("Allora attenzione, iniziamo la nostra avventura con la tabellina del 9");

template<typename Sender, typename Signal>
void waitFor(Sender *sender, Signal signal)
{
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
}

void speakToSamplesOnTheVoiceThread(benchmark::State &state, const QString &text)
{
    Voice owner(std::make_unique<EspeakSynthesizer>(), nullptr);
    VoiceWorker *voice = owner.worker();
    VoiceSettings settings;
    settings.audio = false;
    settings.pace = 1e-6; // the silent playback that follows must not pile up
    // The synthesiser's start is not what is measured.
    QMetaObject::invokeMethod(voice, [=] { voice->speak(1, text, settings); }, Qt::QueuedConnection);
    waitFor(voice, &VoiceWorker::synthesized);
    // Far above the character's own speech ids: a late signal of these phrases, still being
    // paced on the voice thread, must never pass for one of the character's.
    static quint64 id = quint64(1) << 40;
    qint64 samples = 0;
    for (auto _ : state) {
        const quint64 mine = ++id;
        QEventLoop loop;
        auto c = QObject::connect(voice, &VoiceWorker::synthesized, &loop,
                                  [&](quint64 got, const Utterance &u) {
                                      if (got == mine) {
                                          samples = u.pcm.size() / 2;
                                          loop.quit();
                                      }
                                  });
        const auto start = std::chrono::steady_clock::now();
        QMetaObject::invokeMethod(voice, [=] { voice->speak(mine, text, settings); }, Qt::QueuedConnection);
        loop.exec();
        const auto end = std::chrono::steady_clock::now();
        QObject::disconnect(c);
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["audio_s"] = double(samples) / Utterance::kSampleRate;
}

void BM_SpeakToSamples_Word(benchmark::State &state) { speakToSamplesOnTheVoiceThread(state, kShort); }
void BM_SpeakToSamples_Sentence(benchmark::State &state) { speakToSamplesOnTheVoiceThread(state, kLong); }

// The whole road: the character's queue picks the request up, then the voice thread.
void BM_SpeakToSamples_Character(benchmark::State &state)
{
    AgentControl control(nullptr);
    control.setAudioEnabled(false);
    control.setTimeScale(1e-6);
    control.Characters().Load(kMerlinId, kMerlinFile);
    FloatingCharacter *merlin = control.character(kMerlinId);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        control.Characters().Item(kMerlinId).Speak(kShort);
        waitFor(merlin, &FloatingCharacter::speechSynthesized);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (!control.isIdle())
            waitFor(&control, &AgentControl::queueEmptied);
    }
}

} // namespace

BENCHMARK(BM_SpeakToSamples_Word)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpeakToSamples_Sentence)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpeakToSamples_Character)->UseManualTime()->Unit(benchmark::kMillisecond);

