// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "app/Integer.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <map>
#include <memory>

// Files reached by number, one routine at a time: take a free number, open a path under
// it, read or write, close. Text is single-byte Windows-1252. Failures throw RuntimeError.
class FileTable
{
public:
    enum class Mode { Input, Output, Append };

    Integer FreeFile() const;
    void Open(const QString &path, Mode mode, Integer number);
    qint64 LOF(Integer number);
    QString Input(qint64 count, Integer number);
    void PrintLine(Integer number, const QString &text);
    void Close(Integer number); // flushed to the disk before it returns

    // Puts a finished file in the place of another, in one step: a reader sees either the
    // old file or the new one, never a mix or nothing.
    static void Replace(const QString &from, const QString &to);

    static constexpr int MaxFiles = 255;

private:
    QFile &openFile(Integer number);
    std::map<int, std::unique_ptr<QFile>> m_files;
};
