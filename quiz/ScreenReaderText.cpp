// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "quiz/ScreenReaderText.h"

QString outcomeForScreenReader(const QString &outcome, int right, int wrong)
{
    // The outcome line ends in "!!!" or in the product: a full stop between it and the
    // counters keeps them two phrases when spoken.
    QString said = outcome.trimmed();
    if (!said.isEmpty() && !said.endsWith(u'!') && !said.endsWith(u'.'))
        said += u'.';
    if (!said.isEmpty())
        said += u' ';
    return said + QStringLiteral("Risposte esatte %1, errate %2, totali %3").arg(right).arg(wrong).arg(right + wrong);
}

QString exerciseForScreenReader(const QString &firstFactor, const QString &secondInWords)
{
    return firstFactor + QStringLiteral(" per ") + secondInWords;
}
