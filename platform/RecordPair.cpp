// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/RecordPair.h"

#include "platform/RuntimeError.h"
#include "platform/SystemError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

RuntimeError saveError(const QString &path, int errnum)
{
    return RuntimeError(QStringLiteral("Impossibile salvare il file %1 (%2)")
                            .arg(QDir::toNativeSeparators(path), italianReason(errnum)));
}

bool exists(const QString &path)
{
    struct stat st{};
    return ::lstat(native(path).constData(), &st) == 0;
}

// A rename is on the disk only once its folder is.
int syncFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    // Some file systems cannot sync a folder; they say so, and it is nothing to stop for.
    if (error == EINVAL || error == EROFS)
        error = 0;
    ::close(fd);
    return error;
}

int syncFolders(const QString &a, const QString &b)
{
    const int error = syncFolder(folderOf(a));
    if (error || folderOf(a) == folderOf(b))
        return error;
    return syncFolder(folderOf(b));
}

int renameFile(const QString &from, const QString &to)
{
    return std::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

void removeAnything(const QString &path)
{
    struct stat st{};
    if (::lstat(native(path).constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        QDir(path).removeRecursively();
    else
        ::unlink(native(path).constData());
}

int writeWhole(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += n;
    }
    return 0;
}

// A file written whole and synced, or not there at all.
int writeSynced(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int error = writeWhole(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error && errno != EINTR)
        error = errno;
    if (error)
        ::unlink(native(path).constData());
    return error;
}

// A second name for the old file, to go back to; a copy where links are not to be had, an
// empty file for a file that is missing (the start makes a missing record file empty).
int keepOld(const QString &path)
{
    const QString old = path + QStringLiteral(".old");
    removeAnything(old);
    struct stat st{};
    if (::lstat(native(path).constData(), &st) != 0)
        return errno == ENOENT ? writeSynced(old, QByteArray()) : errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (::link(native(path).constData(), native(old).constData()) == 0)
        return 0;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    QByteArray bytes;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0)
            bytes.append(buffer, n);
    }
    const int error = n < 0 ? errno : 0;
    ::close(fd);
    return error ? error : writeSynced(old, bytes);
}

// The old file's permissions for the new one, so that a record shared through a link
// stays writable for everyone who could write it before.
void keepMode(const QString &path)
{
    struct stat st{};
    if (::stat(native(path).constData(), &st) == 0)
        ::chmod(native(path + QStringLiteral(".new")).constData(), st.st_mode & 07777);
}

QByteArray journalText(const QString &first, const QString &second)
{
    return native(first) + '\0' + native(second) + '\0';
}

bool readJournal(const QString &journal, QString &first, QString &second)
{
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> parts = file.read(64 * 1024).split('\0');
    if (parts.size() != 3 || parts.at(0).isEmpty() || parts.at(1).isEmpty() || !parts.at(2).isEmpty())
        return false;
    first = QFile::decodeName(parts.at(0));
    second = QFile::decodeName(parts.at(1));
    return true;
}

QString undoJournalOf(const QString &journal)
{
    return journal + QStringLiteral(".undo");
}

// Back to the old pair after first.new took first's place but second could not be changed.
// Done again after a crash, it does nothing more: the ".old" name is gone once it is back.
int undoFirst(const QString &first)
{
    const QString old = first + QStringLiteral(".old");
    return exists(old) ? renameFile(old, first) : 0;
}

// From "complete the change" to "undo it", in one step, so that a crash while undoing is
// followed by more undoing, never by completing half of it.
int turnBack(const QString &journal, const QString &first, const QString &second)
{
    if (const int error = renameFile(journal, undoJournalOf(journal)))
        return error;
    if (const int error = syncFolder(folderOf(journal)))
        return error;
    if (const int error = undoFirst(first))
        return error;
    return syncFolders(first, second);
}

void forget(const QString &journal, const QString &first, const QString &second)
{
    const bool a = ::unlink(native(journal).constData()) == 0;
    const bool b = ::unlink(native(undoJournalOf(journal)).constData()) == 0;
    if (a || b)
        syncFolder(folderOf(journal));
    for (const QString &path : {first, second}) {
        removeAnything(path + QStringLiteral(".new"));
        removeAnything(path + QStringLiteral(".old"));
    }
}

} // namespace

namespace RecordPair {

QString resolved(const QString &path)
{
    QString current = QDir::cleanPath(QDir(path).absolutePath());
    // As the system does: a loop of links ends with an error when the file is opened.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st{};
        if (::lstat(native(current).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(native(current).constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size())
            return current;
        target.truncate(n);
        const QString next = QFile::decodeName(target);
        current = QDir::cleanPath(next.startsWith(u'/') ? next : folderOf(current) + u'/' + next);
    }
    return current;
}

void clearLeftovers(const QString &path)
{
    removeAnything(path + QStringLiteral(".new"));
    removeAnything(path + QStringLiteral(".old"));
}

void replace(const QString &journal, const QString &first, const QString &second)
{
    const QString firstNew = first + QStringLiteral(".new");
    const QString secondNew = second + QStringLiteral(".new");
    const auto fail = [&](const QString &path, int errnum) {
        forget(journal, first, second);
        return saveError(path, errnum);
    };

    keepMode(first);
    keepMode(second);
    if (const int error = keepOld(first))
        throw fail(first, error);
    if (const int error = syncFolders(first, second))
        throw fail(first, error);

    const QString pending = journal + QStringLiteral(".tmp");
    if (const int error = writeSynced(pending, journalText(first, second)))
        throw fail(journal, error);
    if (const int error = renameFile(pending, journal)) {
        ::unlink(native(pending).constData());
        throw fail(journal, error);
    }
    if (const int error = syncFolder(folderOf(journal)))
        throw fail(journal, error);

    if (const int error = renameFile(firstNew, first))
        throw fail(first, error);
    if (const int error = renameFile(secondNew, second)) {
        // Should the way back fail too, the journal left behind has the next start finish it.
        if (turnBack(journal, first, second) != 0)
            throw saveError(second, error);
        throw fail(second, error);
    }
    // Both are in place. Should the folder not sync, the journal stays, and with it the
    // next start's promise to complete the change whatever reached the disk.
    if (syncFolders(first, second) != 0)
        return;
    forget(journal, first, second);
}

void recover(const QString &journal, const QString &first, const QString &second)
{
    QString a = first;
    QString b = second;
    if (exists(undoJournalOf(journal)) && readJournal(undoJournalOf(journal), a, b)) {
        if (const int error = undoFirst(a))
            throw saveError(a, error);
        if (const int error = syncFolders(a, b))
            throw saveError(a, error);
    } else if (exists(journal) && readJournal(journal, a, b)) {
        // The change was made: complete it. Should a file refuse, go back to the old pair.
        const QString aNew = a + QStringLiteral(".new");
        const QString bNew = b + QStringLiteral(".new");
        if ((exists(aNew) ? renameFile(aNew, a) : 0) == 0) {
            if ((exists(bNew) ? renameFile(bNew, b) : 0) != 0) {
                if (const int error = turnBack(journal, a, b))
                    throw saveError(a, error);
            }
        }
        if (const int error = syncFolders(a, b))
            throw saveError(b, error);
    }
    // Done, or without a whole journal nothing was put in place: what lies about is stale.
    forget(journal, a, b);
    ::unlink(native(journal + QStringLiteral(".tmp")).constData());
    if (a != first || b != second) {
        clearLeftovers(first);
        clearLeftovers(second);
    }
}

} // namespace RecordPair
