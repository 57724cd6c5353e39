// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"
#include "countdown/RecordFormat.h"

#include <QFileInfo>

namespace {
const QString kIntroduction = QStringLiteral(
    "Allora attenzione, iniziamo la nostra avventura con la tabellina del 9. Io detto e tu "
    "scrivi il risultato nello spazio sotto di me. Mi raccomando inserisci il risultato e premi "
    "invio e poi aspetta che io finisca di parlare e premi ancora invio per avere la domanda "
    "successiva");
} // namespace

void Tavola::Form_Load()
{
    nesatte = 0;
    nerrate = 0;
    const QString nome = m_host.dialogs.InputBox(QStringLiteral("Come ti chiami?"));
    finishControls(); // made while the box was up; here at the latest
    m_host.dialogs.MsgBox(QStringLiteral(" ") + nome + QStringLiteral(" vediamo se sei un vero campione  "));
    lblnome1->setCaption(nome);
    if (lblnome1->caption().isEmpty())
        lblnome1->setCaption(QStringLiteral("Amico"));
    Txtnome1->setText(lblnome1->caption());
    lblconto->setCaption(formatCountdown(conto, QStringLiteral(":")));
    // From here to the end of the activation nothing may return to the event loop: the
    // display reads 00:00:00 until then, and a tick reading it would end the game.
    avviaTimer();
    cartella = GetSystemDir();
    // A record change that a crash interrupted is completed or undone before anything is read.
    m_host.directory.RecoverRecord(cartella);

    // The player's own folder gets the empty files; the shared one, which only tirlindo-record
    // may write, has them from the package, and a missing one reads as empty.
    if (QFileInfo(cartella).isWritable()) {
        nfile = m_files.FreeFile();
        m_files.Open(recordPath(kScoreFileName), FileTable::Mode::Append, nfile);
        m_files.Close(nfile);
        m_files.Open(recordPath(kHolderFileName), FileTable::Mode::Append, nfile);
        m_files.Close(nfile);
    }
    lblpunti->setCaption(Leggifiletxt(recordPath(kScoreFileName)));
    lblnome->setCaption(Leggifiletxt(recordPath(kHolderFileName)));

    m_host.agent.Characters().Load(kMerlinId, kMerlinFile);
    {
        AgentCharacter &character = merlin();
        character.Show();
        character.MoveTo(250, 175);
        character.Play(QStringLiteral("Announce"));
        character.setHeight(205);
        character.Speak(kIntroduction);
    }
    lblNum1->hide();
    lblNum2->hide();
    Label10->hide();
}

void Tavola::avviaTimer()
{
    Timer1->start();
    conto.ore = 0;
    conto.minuti = 7;
    conto.secondi = 0;
}

void Tavola::Form_Activate()
{
    cmdNext_Click();
    nerrate = 0;
    nesatte = 0;
    lblconto->setCaption(QStringLiteral("00.07.00"));
}
