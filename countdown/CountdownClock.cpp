// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/CountdownClock.h"

#include <cmath>

void stepDown(CountdownTime &time)
{
    if (time.secondi == 0) {
        if (time.minuti > 0) {
            time.minuti += -1;
            time.secondi = 60;
        } else if (time.minuti == 0 && time.ore > 0) {
            time.ore += -1;
            time.minuti = 59;
            time.secondi = 60;
        }
    }
    time.secondi -= 1;
}

namespace {
QString twoDigits(double value)
{
    // Format "00": rounded to a whole number, at least two digits after any sign.
    const long long whole = std::llround(value);
    const QString digits = QString::number(whole < 0 ? -whole : whole);
    return (whole < 0 ? QStringLiteral("-") : QString()) + digits.rightJustified(2, QLatin1Char('0'));
}
} // namespace

QString formatCountdown(const CountdownTime &time, const QString &separator)
{
    return twoDigits(time.ore) + separator + twoDigits(time.minuti) + separator
        + twoDigits(time.secondi);
}
