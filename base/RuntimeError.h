// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program: whatever a handler cannot do is thrown as this,
// and the window reports it in a box before the program ends.
class RuntimeError : public std::runtime_error
{
public:
    explicit RuntimeError(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }
    QString message() const { return QString::fromStdString(what()); }
};
