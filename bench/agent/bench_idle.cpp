// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// What the resting wizard costs while the child thinks: process CPU time per second of wall
// time with the idle loop (blinking, glancing) running, after the frames are cached.
#include "character/Agent.h"
#include "agent/AgentControl.h"
#include "agent/FloatingCharacter.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_IdleAnimationCpuPerWallSecond(benchmark::State &state)
{
    const int wallMs = int(state.range(0));
    AgentControl control(nullptr);
    control.setAudioEnabled(false);
    control.Characters().Load(kMerlinId, kMerlinFile);
    AgentCharacter &merlin = control.Characters().Item(kMerlinId);
    merlin.Show();
    merlin.MoveTo(250, 175);
    QEventLoop shown;
    QObject::connect(&control, &AgentControl::queueEmptied, &shown, &QEventLoop::quit);
    shown.exec();
    runEventLoopFor(10000); // one whole idle loop, so every frame is in the cache

    FloatingCharacter *c = control.character(kMerlinId);
    int frames = 0;
    QObject::connect(c, &FloatingCharacter::frameShown, [&frames] { ++frames; });
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        runEventLoopFor(wallMs);
        cpu += processCpuSeconds() - before;
        state.SetIterationTime(wallMs / 1000.0);
    }
    const double wall = double(state.iterations()) * wallMs / 1000.0;
    state.counters["cpu_ms_per_s"] = cpu * 1000 / wall;
    state.counters["cpu_percent"] = cpu * 100 / wall;
    state.counters["frames_per_s"] = frames / wall;
}

} // namespace

BENCHMARK(BM_IdleAnimationCpuPerWallSecond)->Arg(5000)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

