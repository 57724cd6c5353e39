// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"
#include "countdown/RecordFormat.h"
#include "platform/RecordPair.h"

#include <QDir>

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

    // Both new files are written in full beside the old ones, then put in place as one
    // change: after a failure or a crash the next start finds the old record and holder or
    // the new ones, never one of each. A record file that is a link is written through.
    const QString scorePath = RecordPair::resolved(recordPath(kScoreFileName));
    const QString holderPath = RecordPair::resolved(recordPath(kHolderFileName));
    const QString scoreNew = scorePath + QStringLiteral(".new");
    const QString holderNew = holderPath + QStringLiteral(".new");
    RecordPair::clearLeftovers(scorePath);
    RecordPair::clearLeftovers(holderPath);
    try {
        nfile = m_files.FreeFile();
        m_files.Open(scoreNew, FileTable::Mode::Output, nfile);
        punteggio = lblScore->caption();
        m_files.PrintLine(nfile, punteggio);
        m_files.Close(nfile);

        nfile = m_files.FreeFile();
        m_files.Open(holderNew, FileTable::Mode::Output, nfile);
        punteggio = lblnome1->caption();
        m_files.PrintLine(nfile, punteggio);
        m_files.Close(nfile);
    } catch (...) {
        RecordPair::clearLeftovers(scorePath);
        RecordPair::clearLeftovers(holderPath);
        throw;
    }
    RecordPair::replace(QDir::cleanPath(recordPath(kJournalFileName)), holderPath, scorePath);

    m_host.dialogs.MsgBox(QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E\""));
    endProgram(0);
}
