// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QString>
#include <QtGlobal>

// A fixed-point number with four decimal places, held as a count of ten-thousandths.
struct Currency
{
    qint64 tenThousandths = 0;
    static Currency fromWhole(qint64 whole) { return {whole * 10000}; }
    double toDouble() const { return double(tenThousandths) / 10000.0; }
};

// The Italian words of the whole part of a number, written together (duemilaventuno);
// the empty text for zero, fractions below one and negatives. Throws RuntimeError when
// a number of a trillion or more runs past the word table.
QString numberWords(Currency numer);
