// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "base/Integer.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>

// Files reached by number, one routine at a time: take a free number, open a path under
// it, read or write, close. Text is single-byte Windows-1252. Failures throw RuntimeError.
class FileTable
{
public:
    enum class Mode { Input, Output, Append };

    FileTable() = default;
    FileTable(const FileTable &) = delete;
    FileTable &operator=(const FileTable &) = delete;
    ~FileTable();

    Integer FreeFile() const;
    void Open(const QString &path, Mode mode, Integer number);
    qint64 LOF(Integer number);
    QString Input(qint64 count, Integer number);
    void PrintLine(Integer number, const QString &text);
    void Close(Integer number); // written files are on the disk before it returns

    static constexpr int MaxFiles = 255;

private:
    struct OpenFile
    {
        int fd;
        QString path;
        bool written;
    };
    OpenFile &openFile(Integer number);
    std::map<int, OpenFile> m_files;
};
