// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/keeper/RecordText.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <memory>

#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace {

// Code points of the bytes 0x80..0x9F; 0 marks the five bytes the code page leaves unused.
constexpr char32_t kHighBlock[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// The code page's byte for a code point; 0 where it has none (NUL itself is never encoded).
char encodeCodePoint(char32_t cp)
{
    if ((cp > 0 && cp < 0x80) || (cp >= 0xA0 && cp <= 0xFF))
        return char(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighBlock[i] != 0 && kHighBlock[i] == cp)
            return char(0x80 + i);
    }
    return 0;
}

// The nearest Latin letters of characters the code page lacks (Ł L, Ș S, 李 li), by
// ICU's transliterations, which know every script's; a character with no Latin form (an
// emoji) comes back as it was.
std::string latinLetters(std::string_view utf8)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> toLatin(
        icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !toLatin)
        return std::string();
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), std::int32_t(utf8.size())));
    toLatin->transliterate(text);
    std::string latin;
    text.toUTF8String(latin);
    return latin;
}

// The code point at `at`, moving past it; -1 for bytes that are not UTF-8.
long nextCodePoint(std::string_view s, std::size_t &at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || s.size() - at <= std::size_t(extra))
        return -1;
    long cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    constexpr long kSmallest[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    at += std::size_t(extra) + 1;
    return cp;
}

} // namespace

namespace RecordText {

std::string toWindows1252(std::string_view utf8)
{
    std::string bytes;
    bytes.reserve(utf8.size());
    // Characters the code page lacks are taken a run at a time: a script's transliteration
    // may read a character with its neighbours.
    std::size_t runStart = 0, runEnd = 0;
    const auto endRun = [&] {
        if (runEnd > runStart) {
            const std::string latin = latinLetters(utf8.substr(runStart, runEnd - runStart));
            for (std::size_t at = 0; at < latin.size();) {
                const long cp = nextCodePoint(latin, at);
                if (cp < 0)
                    break;
                if (const char byte = encodeCodePoint(char32_t(cp)))
                    bytes += byte;
            }
        }
        runStart = runEnd = 0;
    };
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        const long cp = nextCodePoint(utf8, at);
        if (cp < 0) {
            endRun();
            bytes += '?';
            ++at;
            continue;
        }
        const char byte = encodeCodePoint(char32_t(cp));
        if (byte == 0 && cp != 0) {
            if (runEnd == 0)
                runStart = start;
            runEnd = at;
            continue;
        }
        endRun();
        bytes += cp == 0 ? '\0' : byte;
    }
    endRun();
    return bytes;
}

char32_t codePointOf(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F && kHighBlock[byte - 0x80] != 0 ? kHighBlock[byte - 0x80] : byte;
}

long utf16Length(std::string_view utf8)
{
    long units = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const long cp = nextCodePoint(utf8, at);
        if (cp < 0)
            return -1;
        units += cp >= 0x10000 ? 2 : 1;
    }
    return units;
}

double leadingNumber(std::string_view bytes)
{
    std::string s;
    for (char c : bytes) {
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;
    }
    const std::size_t n = s.size();
    std::size_t i = 0;
    auto digit = [&](std::size_t at, int base) {
        if (at >= n)
            return -1;
        char c = s[at];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        const int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        return v < base ? v : -1;
    };
    auto upper = [&](std::size_t at) { return s[at] >= 'a' && s[at] <= 'z' ? char(s[at] - 'a' + 'A') : s[at]; };

    // &H1A and &O17: hexadecimal and octal, as the classic conversion reads them.
    if (n >= 2 && s[0] == '&') {
        const int base = upper(1) == 'H' ? 16 : upper(1) == 'O' ? 8 : 0;
        if (base == 0)
            return 0;
        double value = 0;
        for (i = 2; digit(i, base) >= 0; ++i)
            value = value * base + digit(i, base);
        return value;
    }

    std::string number;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    bool anyDigit = false;
    while (digit(i, 10) >= 0) {
        number += s[i++];
        anyDigit = true;
    }
    if (i < n && s[i] == '.') {
        number += s[i++];
        while (digit(i, 10) >= 0) {
            number += s[i++];
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    if (i < n && (upper(i) == 'E' || upper(i) == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < n && (s[j] == '+' || s[j] == '-'))
            exponent += s[j++];
        if (digit(j, 10) >= 0) {
            while (digit(j, 10) >= 0)
                exponent += s[j++];
            number += exponent;
        }
    }
    double value = 0;
    // Too large (or too small) for a double reads as infinitely large rather than failing.
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec != std::errc())
        value = std::numeric_limits<double>::infinity();
    return negative ? -value : value;
}

} // namespace RecordText
