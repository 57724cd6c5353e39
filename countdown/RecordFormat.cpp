// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/RecordFormat.h"

#include "countdown/keeper/RecordText.h"

QByteArray toWindows1252(const QString &text)
{
    return QByteArray::fromStdString(RecordText::toWindows1252(text.toStdString()));
}

QString fromWindows1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes)
        text.append(QChar(char16_t(RecordText::codePointOf(static_cast<unsigned char>(c)))));
    return text;
}

QByteArray recordLine(const QString &text)
{
    return toWindows1252(text) + "\r\n";
}

double leadingNumber(const QString &text)
{
    // Only ASCII takes part in a number, and the code page keeps ASCII as it is.
    const QByteArray bytes = toWindows1252(text);
    return RecordText::leadingNumber(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}
