// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "countdown/keeper/RecordText.h"

#include <QByteArray>
#include <QString>

// Record files are single-byte text in the Windows-1252 code page, so files written by
// the game on an Italian Windows read the same here.
QByteArray toWindows1252(const QString &text); // others as their nearest Latin letters
QString fromWindows1252(const QByteArray &bytes);

// One line as the record files hold it: the text, then CR LF.
QByteArray recordLine(const QString &text);

// The value of the number a text begins with, ignoring blanks, tabs and line feeds
// anywhere in it; 0 when it begins with no number. "12\r\n" gives 12, "" gives 0.
double leadingNumber(const QString &text);

inline const QString kScoreFileName = QString::fromLatin1(RecordText::kScoreFile);
inline const QString kHolderFileName = QString::fromLatin1(RecordText::kHolderFile);
