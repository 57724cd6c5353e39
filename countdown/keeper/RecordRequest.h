// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What tirlindo-record reads on its standard input: the score on one line, the holder's
// name (UTF-8) on the next, as the game sends them. Anything the game would never send is
// refused, as whoever runs the program by hand may send anything.
struct RecordRequest
{
    int score = 0;
    std::string name; // UTF-8, one line, as the name box keeps it

    // The game counts its score in a 16-bit whole number (base/Integer.h).
    static constexpr int kHighestScore = INT16_MAX;
    // The most the name box takes (a line edit's own limit), in UTF-16 units.
    static constexpr long kLongestName = 32767;
    // The largest input worth reading: a longest name of three-byte characters and a score.
    static constexpr std::size_t kLargestInput = 3 * kLongestName + 64;

    // Throws KeeperError (kRefused) saying in Italian what is wrong.
    static RecordRequest parse(std::string_view input);
};
