// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QString>

// What a screen reader says with the new-exercise button when the focus comes to it after
// an answer: the outcome line as shown, then the three counters, in one short sentence
// ("Esatto. Sei forte!!! Risposte esatte 1, errate 0, totali 1").
QString outcomeForScreenReader(const QString &outcome, int right, int wrong);

// The exercise as the wizard dictates it ("9 per tre"), read with the answer box.
QString exerciseForScreenReader(const QString &firstFactor, const QString &secondInWords);
