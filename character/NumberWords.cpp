// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "character/NumberWords.h"

#include "base/RuntimeError.h"

#include <array>
#include <cmath>
#include <stdexcept>

namespace {

using WordTable = std::array<QString, 29>;

// Index 0 is never used; the number n (0..20) is at n + 1, the tens word of t tens at t + 19.
void fillWords(WordTable &parole)
{
    static const char *const words[] = {
        "", "uno", "due", "tre", "quattro", "cinque", "sei", "sette", "otto", "nove",
        "dieci", "undici", "dodici", "tredici", "quattordici", "quindici", "sedici",
        "diciassettte", "diciotto", "diciannove", "venti", "trenta", "quaranta",
        "cinquanta", "sessanta", "settanta", "ottanta", "novanta"};
    for (int i = 1; i <= 28; ++i)
        parole[i] = QString::fromLatin1(words[i - 1]);
}

struct Scale
{
    const char *one;
    const char *many;
};
const Scale kScales[] = {{"", ""}, {"mille", "mila"}, {"unmilione", "milioni"}, {"unmiliardo", "miliardi"}};

const QString &word(const WordTable &parole, double index)
{
    if (index < 0 || index > 28)
        throw RuntimeError(QStringLiteral("Indice non compreso nell'intervallo"));
    return parole.at(static_cast<std::size_t>(index));
}

void spellGroup(const WordTable &parole, double r, QString &s)
{
    if (r > 99) {
        const double h = std::floor(r / 100);
        r -= 100 * h;
        if (h == 1)
            s += QStringLiteral("cento");
        else
            s += word(parole, h + 1) + QStringLiteral("cento");
    }
    if (r <= 20) {
        s += word(parole, r + 1);
        return;
    }
    const double t = std::floor(r / 10);
    s += word(parole, t + 19);
    r -= 10 * t;
    if (r == 1 || r == 8)
        s.chop(1); // ventuno, trentotto: the tens word loses its vowel
    s += word(parole, r + 1);
}

} // namespace

QString numberWords(Currency numer)
{
    WordTable parole;
    fillWords(parole);
    QString s;
    for (int e = 3; e >= 0; --e) {
        const double unit = std::pow(1000.0, e);
        const double g = std::floor(numer.toDouble() / unit);
        if (!(g > 0))
            continue;
        spellGroup(parole, g, s);
        if (e > 0) {
            const Scale &scale = kScales[e];
            if (g == 1) {
                // One thousand, million or billion: the "uno" just spelled gives way to the
                // word of its own; a billion starts the text afresh.
                if (e == 3)
                    s.clear();
                else
                    s.chop(3);
                s += QString::fromLatin1(scale.one);
            } else {
                s += QString::fromLatin1(scale.many);
            }
        }
        numer.tenThousandths -= static_cast<qint64>(g * unit) * 10000;
    }
    return s;
}
