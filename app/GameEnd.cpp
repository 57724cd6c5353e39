// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"
#include "countdown/RecordFormat.h"

#include <QFile>

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

    // Both new files are written in full beside the old ones before either takes its
    // place, so a failure on the way leaves the old record and its holder whole.
    const QString scorePath = recordPath(kScoreFileName);
    const QString holderPath = recordPath(kHolderFileName);
    const QString scoreNew = scorePath + QStringLiteral(".new");
    const QString holderNew = holderPath + QStringLiteral(".new");
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

        FileTable::Replace(holderNew, holderPath);
        FileTable::Replace(scoreNew, scorePath);
    } catch (...) {
        QFile::remove(scoreNew);
        QFile::remove(holderNew);
        throw;
    }

    m_host.dialogs.MsgBox(QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E\""));
    endProgram(0);
}
