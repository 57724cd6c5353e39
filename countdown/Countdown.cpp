// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"

void Tavola::Timer1_Timer()
{
    // Until the first exercise is on display the clock has not really started, and once
    // the game is ending no tick may start the end again.
    if (!m_started || m_ending)
        return;
    if (lblconto->caption() == kCountdownOver) {
        cmdExit1_Click();
        return;
    }
    stepDown(conto);
    lblconto->setCaption(formatCountdown(conto, QStringLiteral(":")));
}
