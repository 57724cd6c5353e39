// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "base/Integer.h"

#include <QString>

// Time left in the game, as hours, minutes and seconds.
struct CountdownTime
{
    Integer ore;
    Integer minuti;
    float secondi = 0; // always a whole number
};

// One second down, borrowing from minutes and then hours when the seconds are 0.
void stepDown(CountdownTime &time);

// Each part with at least two digits, joined by `separator` (":" while counting).
QString formatCountdown(const CountdownTime &time, const QString &separator);

// The display reads this once the time is over; the tick after it ends the game.
inline const QString kCountdownOver = QStringLiteral("00:00:00");
