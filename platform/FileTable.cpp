// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/FileTable.h"

#include "base/RuntimeError.h"
#include "platform/SystemError.h"

#include "countdown/keeper/RecordText.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
RuntimeError fileError(const QString &what, const QString &path, const QString &reason)
{
    // The record's path has a doubled separator, right for the file system; a parent reads one.
    return RuntimeError(QStringLiteral("%1 il file %2 (%3)").arg(what, QDir::toNativeSeparators(QDir::cleanPath(path)), reason));
}
} // namespace

FileTable::~FileTable()
{
    for (const auto &[number, file] : m_files)
        ::close(file.fd);
}

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
    const int how = mode == Mode::Input ? O_RDONLY
        : mode == Mode::Output          ? O_WRONLY | O_CREAT | O_TRUNC
                                        : O_WRONLY | O_CREAT | O_APPEND;
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        throw fileError(QStringLiteral("Impossibile aprire"), path, QStringLiteral("non \u00e8 un file normale"));
    // Non-blocking, so that a pipe put there meanwhile is refused instead of freezing the game.
    const int fd = ::open(QFile::encodeName(path).constData(), how | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        throw fileError(QStringLiteral("Impossibile aprire"), path, italianReason(errno));
    st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        ::close(fd);
        // A directory opens "successfully" for reading; it is never a record.
        throw fileError(QStringLiteral("Impossibile aprire"), path,
                        S_ISDIR(st.st_mode) ? italianReason(EISDIR)
                            : st.st_mode    ? QStringLiteral("non \u00e8 un file normale")
                                            : italianReason(error));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_files.emplace(int(number), OpenFile{fd, path, false});
}

FileTable::OpenFile &FileTable::openFile(Integer number)
{
    auto it = m_files.find(number);
    if (it == m_files.end())
        throw RuntimeError(QStringLiteral("Numero di file non valido"));
    return it->second;
}

qint64 FileTable::LOF(Integer number)
{
    OpenFile &file = openFile(number);
    struct stat st{};
    if (::fstat(file.fd, &st) != 0)
        throw fileError(QStringLiteral("Impossibile leggere"), file.path, italianReason(errno));
    return st.st_size;
}

QString FileTable::Input(qint64 count, Integer number)
{
    OpenFile &file = openFile(number);
    QByteArray bytes(count, Qt::Uninitialized);
    qint64 got = 0;
    while (got < count) {
        const ssize_t n = ::read(file.fd, bytes.data() + got, size_t(count - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw fileError(QStringLiteral("Impossibile leggere"), file.path, italianReason(errno));
        if (n == 0)
            throw fileError(QStringLiteral("Impossibile leggere"), file.path,
                            QStringLiteral("il file si \u00e8 accorciato durante la lettura"));
        got += n;
    }
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes)
        text.append(QChar(char16_t(RecordText::codePointOf(static_cast<unsigned char>(c)))));
    return text;
}

void FileTable::PrintLine(Integer number, const QString &text)
{
    OpenFile &file = openFile(number);
    const QByteArray line = QByteArray::fromStdString(RecordText::toWindows1252(text.toStdString()) + "\r\n");
    qint64 done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(file.fd, line.constData() + done, size_t(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw fileError(QStringLiteral("Impossibile scrivere"), file.path, italianReason(errno));
        done += n;
    }
    file.written = true;
}

void FileTable::Close(Integer number)
{
    OpenFile &file = openFile(number);
    const OpenFile closing = file;
    m_files.erase(number);
    int error = 0;
    if (closing.written && ::fsync(closing.fd) != 0)
        error = errno;
    if (::close(closing.fd) != 0 && !error && errno != EINTR)
        error = errno;
    if (error)
        throw fileError(QStringLiteral("Impossibile scrivere"), closing.path, italianReason(error));
}
