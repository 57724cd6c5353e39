// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/Host.h"

#include <random>

// Random numbers from a generator seeded with the clock.
class ClockRandom : public RandomSource
{
public:
    void Randomize() override;
    float Rnd() override;

private:
    std::mt19937 m_engine{0};
};
