// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/FileNumbers.h"

#include "countdown/RecordFormat.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
RuntimeError fileError(const QString &what, const QString &path, const QString &reason)
{
    return RuntimeError(QStringLiteral("%1 il file %2 (%3)").arg(what, QDir::toNativeSeparators(path), reason));
}
} // namespace

Integer FileTable::FreeFile() const
{
    for (int n = 1; n <= MaxFiles; ++n) {
        if (m_files.find(n) == m_files.end())
            return n;
    }
    throw RuntimeError(QStringLiteral("Troppi file aperti"));
}

void FileTable::Open(const QString &path, Mode mode, Integer number)
{
    if (m_files.count(number))
        throw RuntimeError(QStringLiteral("File già aperto"));
    auto file = std::make_unique<QFile>(path);
    QIODevice::OpenMode how = mode == Mode::Input ? QIODevice::ReadOnly
        : mode == Mode::Output ? QIODevice::WriteOnly | QIODevice::Truncate
                               : QIODevice::WriteOnly | QIODevice::Append;
    // A directory opens "successfully" for reading on some systems; it is never a record.
    if (QFileInfo(path).isDir() || !file->open(how))
        throw fileError(QStringLiteral("Impossibile aprire"), path,
                        QFileInfo(path).isDir() ? QStringLiteral("è una cartella") : file->errorString());
    m_files.emplace(int(number), std::move(file));
}

QFile &FileTable::openFile(Integer number)
{
    auto it = m_files.find(number);
    if (it == m_files.end())
        throw RuntimeError(QStringLiteral("Numero di file non valido"));
    return *it->second;
}

qint64 FileTable::LOF(Integer number)
{
    return openFile(number).size();
}

QString FileTable::Input(qint64 count, Integer number)
{
    QFile &file = openFile(number);
    const QByteArray bytes = file.read(count);
    if (bytes.size() != count)
        throw fileError(QStringLiteral("Impossibile leggere"), file.fileName(), file.errorString());
    return fromWindows1252(bytes);
}

void FileTable::PrintLine(Integer number, const QString &text)
{
    QFile &file = openFile(number);
    const QByteArray line = recordLine(text);
    if (file.write(line) != line.size())
        throw fileError(QStringLiteral("Impossibile scrivere"), file.fileName(), file.errorString());
}

void FileTable::Close(Integer number)
{
    QFile &file = openFile(number);
    const QString path = file.fileName();
    bool ok = file.flush();
    if (ok && file.openMode() & QIODevice::WriteOnly)
        ok = ::fsync(file.handle()) == 0;
    const QString reason = file.errorString();
    file.close();
    m_files.erase(number);
    if (!ok)
        throw fileError(QStringLiteral("Impossibile scrivere"), path, reason);
}

void FileTable::Replace(const QString &from, const QString &to)
{
    // rename() replaces the target atomically on the same file system.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw fileError(QStringLiteral("Impossibile salvare"), to, QString::fromLocal8Bit(std::strerror(errno)));
}
