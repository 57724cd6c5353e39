// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/keeper/RecordRequest.h"

#include "countdown/keeper/KeeperError.h"
#include "countdown/keeper/RecordText.h"

namespace {

[[noreturn]] void refuse(const std::string &why)
{
    throw KeeperError("Richiesta rifiutata: " + why, kRefused);
}

// The breaks the name box cuts a pasted text at (firstLineOnly in platform/QtDialogs.h).
bool breaksTheLine(std::string_view name)
{
    using namespace std::string_view_literals;
    for (std::string_view brk : {"\r"sv, "\n"sv, "\0"sv, "\v"sv, "\f"sv, "\xC2\x85"sv, "\xE2\x80\xA8"sv, "\xE2\x80\xA9"sv}) {
        if (name.find(brk) != std::string_view::npos)
            return true;
    }
    return false;
}

} // namespace

RecordRequest RecordRequest::parse(std::string_view input)
{
    if (input.size() > kLargestInput)
        refuse("la richiesta è troppo lunga");
    const std::size_t scoreEnd = input.find('\n');
    const std::string_view score = input.substr(0, scoreEnd);
    if (score.empty())
        refuse("manca il punteggio");
    for (char c : score) {
        if (c < '0' || c > '9')
            refuse("il punteggio deve essere fatto di sole cifre");
    }
    RecordRequest request;
    for (char c : score) {
        request.score = request.score * 10 + (c - '0');
        if (request.score > kHighestScore)
            refuse("il punteggio supera " + std::to_string(kHighestScore));
    }
    if (scoreEnd == std::string_view::npos)
        refuse("manca il nome");

    std::string_view name = input.substr(scoreEnd + 1);
    if (!name.empty() && name.back() == '\n')
        name.remove_suffix(1);
    if (breaksTheLine(name))
        refuse("il nome deve stare su una riga sola");
    const long length = RecordText::utf16Length(name);
    if (length < 0)
        refuse("il nome non è testo UTF-8 valido");
    if (length > kLongestName)
        refuse("il nome è troppo lungo (al massimo " + std::to_string(kLongestName) + " caratteri)");
    request.name = std::string(name);
    return request;
}
