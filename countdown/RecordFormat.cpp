// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/RecordFormat.h"

#include <QList>

#include <cmath>
#include <limits>

namespace {

// Code points of the bytes 0x80..0x9F; 0 marks the five bytes the code page leaves unused,
// which are read back as the C1 control of the same value.
const char16_t kHighBlock[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

char encodeCodePoint(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return char(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighBlock[i] != 0 && kHighBlock[i] == cp)
            return char(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray toWindows1252(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (char32_t cp : text.toUcs4())
        bytes.append(encodeCodePoint(cp));
    return bytes;
}

QString fromWindows1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F && kHighBlock[b - 0x80] != 0)
            text.append(QChar(kHighBlock[b - 0x80]));
        else
            text.append(QChar(b));
    }
    return text;
}

QByteArray recordLine(const QString &text)
{
    return toWindows1252(text) + "\r\n";
}

double leadingNumber(const QString &text)
{
    QString s;
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            s.append(c);
    }
    int i = 0;
    const int n = s.size();
    auto digit = [&](int at, int base) {
        if (at >= n)
            return -1;
        const char16_t c = QChar::toLower(s.at(at).unicode());
        const int v = (c >= u'0' && c <= u'9') ? c - u'0' : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : -1;
        return v < base ? v : -1;
    };

    // &H1A and &O17: hexadecimal and octal, as the classic conversion reads them.
    if (n >= 2 && s.at(0) == u'&') {
        const QChar kind = s.at(1).toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base == 0)
            return 0;
        double value = 0;
        for (i = 2; digit(i, base) >= 0; ++i)
            value = value * base + digit(i, base);
        return value;
    }

    QString number;
    if (i < n && (s.at(i) == u'+' || s.at(i) == u'-'))
        number.append(s.at(i++));
    bool anyDigit = false;
    while (digit(i, 10) >= 0) {
        number.append(s.at(i++));
        anyDigit = true;
    }
    if (i < n && s.at(i) == u'.') {
        number.append(s.at(i++));
        while (digit(i, 10) >= 0) {
            number.append(s.at(i++));
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    if (i < n && (s.at(i).toUpper() == u'E' || s.at(i).toUpper() == u'D')) {
        int j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < n && (s.at(j) == u'+' || s.at(j) == u'-'))
            exponent.append(s.at(j++));
        if (digit(j, 10) >= 0) {
            while (digit(j, 10) >= 0)
                exponent.append(s.at(j++));
            number += exponent;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    // A number too large for a double reads as infinitely large rather than failing.
    if (!ok)
        return number.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                       : std::numeric_limits<double>::infinity();
    return value;
}
