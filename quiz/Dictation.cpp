// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"
#include "quiz/Gradient.h"
#include "quiz/ScreenReaderText.h"

#include <cmath>

namespace {
// A whole number from 1 to 10, each equally likely.
int oneToTen(float r)
{
    return int(std::floor(double(r) * 10)) + 1;
}
} // namespace

void Tavola::cmdNext_Click()
{
    lblNum1->hide();
    lblNum2->hide();
    Label10->hide();
    lblMessage->setCaption(QString());
    m_host.random.Randomize();
    num1 = 9;
    colore = oneToTen(m_host.random.Rnd());
    Text1->setText(QString::number(num1));
    lblNum1->setCaption(QString::number(num1));
    num2 = oneToTen(m_host.random.Rnd());
    lblNum2->setCaption(QString::number(num2));
    prodotto = int(num2) * int(num1);
    Text7->setText(QString::number(prodotto));
    Text6->setText(numlett(Currency::fromWhole(num2)));
    {
        AgentCharacter &character = merlin();
        character.beginExercise();
        character.Show();
        character.MoveTo(250, 175);
        character.Play(QStringLiteral("Greet"));
        character.setHeight(205);
        character.Speak(Text1->text());
        character.Speak(QStringLiteral("per"));
        character.Speak(Text6->text());
    }
    // Read with the answer box when the focus arrives, and on a braille line while the
    // exercise is on display.
    tellScreenReader(Text3, exerciseForScreenReader(Text1->text(), Text6->text()));
    // Focus before emptying: a box emptied first and focused after is a silent focus move
    // for the screen reader. Both are done before anything is drawn.
    Text3->setFocus();
    Text3->setText(QString());
    paintGradient();
}

void Tavola::paintGradient()
{
    ::paintGradient(surface->drawing(), num1, colore);
    surface->update();
}
