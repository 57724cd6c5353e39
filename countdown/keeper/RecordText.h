// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <string>
#include <string_view>

// The record files' bytes, without Qt: the game and the program that writes the shared
// record (tirlindo-record) share these, so both read and write the same bytes.
namespace RecordText {

inline constexpr const char *kScoreFile = "aquizrec9.txt";
inline constexpr const char *kHolderFile = "nquizrec9.txt";
// Present only while a new record is being put in place (PairFolder.h).
inline constexpr const char *kJournalFile = "quizrec9.journal";
// Held by every save, from reading the record on the disk to the new pair in place.
inline constexpr const char *kLockFile = "quizrec9.lock";

// A record file larger than this is not a record; the game refuses to show it.
inline constexpr long kLargestFile = 64 * 1024;

// Windows-1252 bytes of a UTF-8 text. A character the code page lacks becomes its nearest
// Latin letters (Ł L, Ș S, ğ g, 李 li); one with no Latin form (an emoji) is left out. The
// text must be valid UTF-8 (utf16Length() says so).
std::string toWindows1252(std::string_view utf8);

// The character a byte of the code page stands for; the five bytes it leaves unused stand
// for the C1 control of the same value.
char32_t codePointOf(unsigned char byte);

// The number of UTF-16 units of a UTF-8 text, as an edit box counts its characters; -1 when
// it is not valid UTF-8 (overlong forms, surrogates, code points past U+10FFFF included).
long utf16Length(std::string_view utf8);

// The value of the number the bytes begin with, ignoring blanks, tabs and line feeds
// anywhere in them; 0 when they begin with no number. "12\r\n" gives 12, "" gives 0.
double leadingNumber(std::string_view bytes);

} // namespace RecordText
