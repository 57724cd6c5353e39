// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"
#include "countdown/RecordFormat.h"
#include "countdown/keeper/RecordRequest.h"

static_assert(Integer::Max == RecordRequest::kHighestScore, "tirlindo-record takes every score the game counts");

void Tavola::cmdExit1_Click()
{
    // Ticks that fall due while the boxes below are open must not end the game again.
    m_ending = true;
    m_host.dialogs.MsgBox(QStringLiteral("Ciao. Ti aspetto per la prossima sfida "));
    for (attesa = 1; attesa <= 1000; attesa += 1) {
    }

    const double record = leadingNumber(lblpunti->caption());
    const double score = lblScore->caption().toDouble();
    if (record >= score) {
        endProgram(0);
        return;
    }

    // Written by tirlindo-record, which takes the folder's lock and writes only when the score
    // beats the record on the disk now: another game may have raised it since this one began.
    // The new record and holder go in place together, the old pair staying after any failure.
    punteggio = lblScore->caption();
    if (m_host.directory.SaveRecord(cartella, punteggio, lblnome1->caption()))
        m_host.dialogs.MsgBox(QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E\""));
    endProgram(0);
}
