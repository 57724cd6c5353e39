// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/ClockRandom.h"

#include <chrono>

void ClockRandom::Randomize()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    m_engine.seed(static_cast<std::mt19937::result_type>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

float ClockRandom::Rnd()
{
    // 24 random bits make every float in [0, 1) on an even grid, never 1 itself.
    return float(m_engine() >> 8) / float(1u << 24);
}
