// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "base/RuntimeError.h"

#include <cstdint>

// The game's 16-bit signed whole number. Arithmetic is done in int and checked when it is
// stored back, so a result outside -32768..32767 is an overflow error, not a wrap-around.
class Integer
{
public:
    constexpr Integer() = default;
    Integer(int value) // NOLINT: implicit on purpose, so game code reads like arithmetic
        : m_value(checked(value))
    {
    }
    operator int() const { return m_value; }

    Integer &operator+=(int rhs)
    {
        m_value = checked(m_value + rhs);
        return *this;
    }

    static constexpr int Max = INT16_MAX;
    static constexpr int Min = INT16_MIN;

private:
    static std::int16_t checked(int value)
    {
        if (value > Max || value < Min)
            throw RuntimeError(QStringLiteral("Overflow"));
        return static_cast<std::int16_t>(value);
    }

    std::int16_t m_value = 0;
};
