// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QList>
#include <QString>

// One request to the character after an answer: an animation to play or a text to say.
struct CharacterRequest
{
    enum Kind { Speak, Play };
    Kind kind;
    QString text;
    bool operator==(const CharacterRequest &) const = default;
};

// What the wizard plays and says for a correct answer, after Show/MoveTo/Height, when
// `earlier` correct answers came before it; `name` is the player, `result` the product.
QList<CharacterRequest> praiseForCorrectAnswer(int earlier, const QString &name,
                                               const QString &result);

// What the wizard says for a wrong answer, after its opening animation.
QList<CharacterRequest> correctionForWrongAnswer(const QString &result);
