// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QtGlobal>

#include <chrono>
#include <ctime>

namespace VoiceClock {

// The tick of the voice's own timers.
constexpr int kTickMs = 20;
// A timer that fires this late saw the computer stop (suspended, or the process held): a
// phrase then goes on from the start of the word it was in.
constexpr int kSuspendGapMs = 1000;

inline qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Goes on while the computer is suspended, unlike the steady clock.
inline qint64 sinceBootMs()
{
    timespec t{};
    clock_gettime(CLOCK_BOOTTIME, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

} // namespace VoiceClock
