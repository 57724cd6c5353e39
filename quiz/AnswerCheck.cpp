// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"
#include "quiz/PraiseLadder.h"
#include "quiz/ScreenReaderText.h"

#include <algorithm>

namespace {
// A game of minutes never gets near 32767 answers; should it, the count stays there
// rather than ending the game and losing the score.
Integer countedOnce(Integer counter)
{
    return std::min(int(counter) + 1, Integer::Max);
}

void issue(AgentCharacter &character, const QList<CharacterRequest> &requests)
{
    for (const CharacterRequest &request : requests) {
        if (request.kind == CharacterRequest::Play)
            character.Play(request.text);
        else
            character.Speak(request.text);
    }
}
} // namespace

void Tavola::Text3_KeyPress(Integer &KeyAscii)
{
    surface->Cls();
    lblNum1->show();
    lblNum2->show();
    Label10->show();
    if (KeyAscii == 13)
        Command3_Click();
}

void Tavola::Command3_Click()
{
    lblNum1->hide();
    lblNum2->hide();
    Label10->hide();
    AgentCharacter &character = merlin();
    if (Text3->text() == Text7->text()) {
        lblMessage->setForeColor(QColor(0, 0, 255));
        lblMessage->setCaption(QStringLiteral("Esatto. Sei forte!!!"));
        nesatte = countedOnce(nesatte);
        character.Show();
        character.MoveTo(250, 175);
        character.setHeight(205);
        const int earlier = lblScore->caption().toInt();
        issue(character, praiseForCorrectAnswer(earlier, Txtnome1->text(), Text7->text()));
    } else {
        lblMessage->setForeColor(QColor(255, 0, 0));
        lblMessage->setCaption(QStringLiteral("Sbagliato!! ") + Text7->text());
        nerrate = countedOnce(nerrate);
        character.Show();
        character.MoveTo(250, 175);
        character.Play(QStringLiteral("Greet"));
        character.setHeight(205);
        issue(character, correctionForWrongAnswer(Text7->text()));
        lblScore1->setCaption(QString::number(nerrate));
    }
    lblScore->setCaption(QString::number(nesatte));
    lblScore2->setCaption(QString::number(int(nesatte) + int(nerrate)));
    cmdNext->setEnabled(true);
    // Said with the button as the focus comes to it, in place of its tool tip: the screen
    // reader reads a focused control's description, not a label's new caption.
    tellScreenReader(cmdNext, outcomeForScreenReader(lblMessage->caption(), nesatte, nerrate));
    cmdNext->setFocus();
}
