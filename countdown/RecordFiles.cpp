// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace {
#ifdef Q_OS_WIN
const QString kSeparator = QStringLiteral("\\");
#else
const QString kSeparator = QStringLiteral("/");
#endif
constexpr qint64 kLargestRecordFile = 64 * 1024;
} // namespace

QString Tavola::GetSystemDir()
{
    QString directory = m_host.directory.GetWindowsDirectory();
    while (directory.startsWith(QLatin1Char(' ')))
        directory.remove(0, 1);
    while (directory.endsWith(QLatin1Char(' ')))
        directory.chop(1);
    // With no directory the record would land in the root of the file system.
    if (directory.isEmpty())
        throw RuntimeError(QStringLiteral("Non trovo la cartella dei record"));
    if (!directory.endsWith(kSeparator))
        directory += kSeparator;
    return directory;
}

QString Tavola::recordPath(const QString &fileName) const
{
    // cartella already ends with the separator; a doubled one means the same path.
    return cartella + kSeparator + fileName;
}

QString Tavola::Leggifiletxt(const QString &nomefile)
{
    // Only a file that is not there reads as empty; anything else in the way is reported.
    struct stat st{};
    if (::lstat(QFile::encodeName(nomefile).constData(), &st) != 0 && errno == ENOENT)
        return QString();
    const Integer number = m_files.FreeFile();
    m_files.Open(nomefile, FileTable::Mode::Input, number);
    const qint64 length = m_files.LOF(number);
    // A record is one short line: anything this large is not one, and shown whole it
    // would freeze the window.
    if (length > kLargestRecordFile) {
        m_files.Close(number);
        throw RuntimeError(QStringLiteral("Il file %1 \u00e8 troppo grande per essere un record: cancellalo e riavvia il gioco")
                               .arg(QDir::toNativeSeparators(QDir::cleanPath(nomefile))));
    }
    const QString content = m_files.Input(length, number);
    m_files.Close(number);
    return content;
}
