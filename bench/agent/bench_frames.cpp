// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// Distinct pictures a second that reach the wizard's window during each gesture, in real time,
// from the window's own log of presented frames (each one a new picture), and the size of the
// frame cache afterwards. Run under a real X server (DISPLAY) to include the outline's cost.
#include "character/Agent.h"
#include "agent/AgentControl.h"
#include "agent/windows/CharacterWindow.h"
#include "agent/FloatingCharacter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

const char *const kGestures[] = {"(appear)", "Announce", "Greet", "congratulate", "domagic1", "domagic2", "(speak)"};
// Spoken for the mouth: the introduction's kind of sentence, paced without sound.
const QString kPhrase = QStringLiteral("Ciao! Sono il mago Merlino. Quanto fa nove per sette?");

void waitForQueue(AgentControl &control)
{
    QEventLoop loop;
    QObject::connect(&control, &AgentControl::queueEmptied, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_GestureFramesPerSecond(benchmark::State &state)
{
    const QString gesture = QString::fromLatin1(kGestures[state.range(0)]);
    const bool appear = gesture == QLatin1String("(appear)");
    const bool speak = gesture == QLatin1String("(speak)");
    AgentControl control(nullptr);
    control.setAudioEnabled(false);
    control.Characters().Load(kMerlinId, kMerlinFile);
    AgentCharacter &merlin = control.Characters().Item(kMerlinId);
    FloatingCharacter *c = control.character(kMerlinId);
    const QString name = appear ? c->file().showAnimation
                         : speak ? c->file().speakAnimation
                                 : c->file().animation(gesture)->name;

    QElapsedTimer clock;
    clock.start();
    QList<qint64> presented; // ns, pictures of this gesture only
    QObject::connect(c->window(), &CharacterWindow::framePresented, [&](const QString &animation, int) {
        if (animation == name)
            presented.append(clock.nsecsElapsed());
    });
    qint64 endedNs = 0;
    QObject::connect(c, &FloatingCharacter::frameShown, [&](const QString &animation, int) {
        if (animation != name && !presented.isEmpty() && endedNs == 0)
            endedNs = clock.nsecsElapsed();
    });
    if (!appear) {
        merlin.Show();
        waitForQueue(control);
    }
    double frames = 0, seconds = 0;
    for (auto _ : state) {
        presented.clear();
        endedNs = 0;
        if (appear) {
            c->window()->hide();
            merlin.Show();
        } else if (speak) {
            merlin.Speak(kPhrase);
        } else {
            merlin.Play(gesture);
        }
        waitForQueue(control);
        if (presented.isEmpty() || endedNs == 0)
            continue;
        frames += double(presented.size());
        seconds += double(endedNs - presented.first()) * 1e-9;
    }
    state.counters["frames_per_s"] = seconds > 0 ? frames / seconds : 0;
    state.counters["lasted_ms"] = seconds * 1000 / double(state.iterations());
    state.counters["cache_MB"] = double(c->window()->cachedBytes()) / (1024 * 1024);
    state.counters["dpr"] = c->window()->devicePixelRatioF();
}

} // namespace

BENCHMARK(BM_GestureFramesPerSecond)->DenseRange(0, 6)->Iterations(3)->Unit(benchmark::kMillisecond);
