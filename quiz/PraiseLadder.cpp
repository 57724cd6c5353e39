// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "quiz/PraiseLadder.h"

namespace {

struct Rung
{
    int earlier;
    const char *animation;
    const char *phrase;
};

const Rung kLadder[] = {
    {2, "congratulate", "Sei grande"},
    {5, "domagic1", "Sei forte"},
    {10, "congratulate", "Sei sulla buona strada per diventare cavaliere"},
    {13, "domagic2", "Sei in gamba"},
    {14, "congratulate", "Sei eccezionale"},
    {18, "congratulate", "Sei insuperabile"},
    {23, "congratulate", "Ti nomino cavaliere della tabellina, il massimo ordine per un eroe"},
    {27, "congratulate", "Hai lavorato bene mio leale campione: sei invincibile"},
};

bool saysName(int earlier)
{
    return earlier == 3 || earlier == 7 || earlier == 12 || earlier == 21 || earlier == 26;
}

} // namespace

QList<CharacterRequest> praiseForCorrectAnswer(int earlier, const QString &name,
                                               const QString &result)
{
    QList<CharacterRequest> requests;
    // Ten earlier answers get neither word: the knight's phrase stands alone there.
    if (earlier < 10)
        requests.append({CharacterRequest::Speak, QStringLiteral("Esatto")});
    if (earlier > 10)
        requests.append({CharacterRequest::Speak, QStringLiteral("Giusto")});
    if (saysName(earlier))
        requests.append({CharacterRequest::Speak, name});
    requests.append({CharacterRequest::Speak, result});
    for (const Rung &rung : kLadder) {
        if (rung.earlier == earlier) {
            requests.append({CharacterRequest::Play, QString::fromUtf8(rung.animation)});
            requests.append({CharacterRequest::Speak, QString::fromUtf8(rung.phrase)});
        }
    }
    return requests;
}

QList<CharacterRequest> correctionForWrongAnswer(const QString &result)
{
    return {{CharacterRequest::Speak, QStringLiteral("Sbagliato")},
            {CharacterRequest::Speak, result}};
}
