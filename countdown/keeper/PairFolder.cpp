// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/keeper/PairFolder.h"

#include "countdown/keeper/KeeperError.h"
#include "countdown/keeper/KeeperFiles.h"
#include "countdown/keeper/RecordText.h"
#include "countdown/keeper/SystemReason.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace KeeperFiles;

// The holder is put in place first, and goes back when the score refuses.
const std::string kFirst = RecordText::kHolderFile;
const std::string kSecond = RecordText::kScoreFile;
const std::string kJournal = RecordText::kJournalFile;
const std::string kUndo = kJournal + ".undo";
const std::string kPending = kJournal + ".tmp";

// Bytes of a regular file opened in the folder, at most the largest record file.
int readWhole(int dir, const std::string &name, std::string &bytes)
{
    const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NONBLOCK | kNoLinks);
    if (fd < 0)
        return errno;
    const int error = readAll(fd, bytes);
    ::close(fd);
    return error;
}

void removeTree(int dir, const std::string &name, int depth)
{
    if (::unlinkat(dir, name.c_str(), 0) == 0 || (errno != EISDIR && errno != EPERM) || depth > 16)
        return;
    const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | kNoLinks);
    if (fd < 0)
        return;
    if (DIR *entries = ::fdopendir(fd)) {
        while (const dirent *entry = ::readdir(entries)) {
            const std::string child = entry->d_name;
            if (child != "." && child != "..")
                removeTree(fd, child, depth + 1);
        }
        ::closedir(entries);
    } else {
        ::close(fd);
    }
    ::unlinkat(dir, name.c_str(), AT_REMOVEDIR);
}

} // namespace

PairFolder::PairFolder(std::string path)
    : m_path(std::move(path))
{
    m_dir = openFolder(m_path);
}

PairFolder::~PairFolder()
{
    if (m_lock >= 0)
        ::close(m_lock);
    ::close(m_dir);
}

void PairFolder::lock(int seconds)
{
    // Opened for reading only: whoever may read the folder may not hold its lock unless
    // the file lets them, and a lock file made read-only still locks.
    m_lock = ::openat(m_dir, RecordText::kLockFile, O_RDONLY | O_CREAT | O_NONBLOCK | kNoLinks, 0660);
    if (m_lock < 0)
        fail(RecordText::kLockFile, errno);
    struct stat st{};
    if (::fstat(m_lock, &st) != 0 || !S_ISREG(st.st_mode))
        fail(RecordText::kLockFile, S_ISDIR(st.st_mode) ? EISDIR : kNotRegular);
    waitForLock(m_lock, seconds, m_path + "/" + RecordText::kLockFile);
}

void PairFolder::recover()
{
    if (exists(kUndo) && readJournal(kUndo)) {
        if (const int error = undoFirst())
            fail(kFirst, error);
        if (const int error = sync())
            fail(kFirst, error);
    } else if (exists(kJournal) && readJournal(kJournal)) {
        // The change was made: complete it. Should a file refuse, go back to the old pair.
        if ((exists(kFirst + ".new") ? renameIn(kFirst + ".new", kFirst) : 0) == 0) {
            if ((exists(kSecond + ".new") ? renameIn(kSecond + ".new", kSecond) : 0) != 0) {
                if (const int error = turnBack())
                    fail(kFirst, error);
            }
        }
        if (const int error = sync())
            fail(kSecond, error);
    }
    // Done, or without a whole journal nothing was put in place: what lies about is stale.
    forget();
    removeAnything(kPending);
}

std::string PairFolder::read(const char *name) const
{
    std::string bytes;
    const int error = readWhole(m_dir, name, bytes);
    if (error == ENOENT)
        return std::string();
    if (error)
        fail(name, error);
    return bytes;
}

void PairFolder::replace(const std::string &holderBytes, const std::string &scoreBytes)
{
    const auto failAndForget = [this](const std::string &name, int error) {
        forget();
        fail(name, error);
    };
    for (const std::string &name : {kFirst, kSecond}) {
        struct stat st{};
        if (::fstatat(m_dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            fail(name, ELOOP);
    }
    if (const int error = writeSynced(kSecond + ".new", scoreBytes, modeFor(RecordText::kScoreFile)))
        failAndForget(kSecond, error);
    if (const int error = writeSynced(kFirst + ".new", holderBytes, modeFor(RecordText::kHolderFile)))
        failAndForget(kFirst, error);
    if (const int error = keepOld(kFirst))
        failAndForget(kFirst, error);
    if (const int error = sync())
        failAndForget(kFirst, error);

    if (const int error = writeSynced(kPending, kFirst + '\0' + kSecond + '\0', 0600))
        failAndForget(kJournal, error);
    if (const int error = renameIn(kPending, kJournal)) {
        ::unlinkat(m_dir, kPending.c_str(), 0);
        failAndForget(kJournal, error);
    }
    if (const int error = sync())
        failAndForget(kJournal, error);

    if (const int error = renameIn(kFirst + ".new", kFirst))
        failAndForget(kFirst, error);
    if (const int error = renameIn(kSecond + ".new", kSecond)) {
        // Should the way back fail too, the journal left behind has the next save finish it.
        if (turnBack() != 0)
            fail(kSecond, error);
        failAndForget(kSecond, error);
    }
    // Both are in place. Should the folder not sync, the journal stays, and with it the
    // next save's promise to complete the change whatever reached the disk.
    if (sync() != 0)
        return;
    forget();
}

// A second name for the old file, to go back to; a copy where links are not to be had, an
// empty file for a file that is missing (a missing record file reads as empty).
int PairFolder::keepOld(const std::string &name) const
{
    const std::string old = name + ".old";
    removeAnything(old);
    struct stat st{};
    if (::fstatat(m_dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? writeSynced(old, std::string(), modeFor(name.c_str())) : errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (S_ISLNK(st.st_mode))
        return ELOOP;
    if (::linkat(m_dir, name.c_str(), m_dir, old.c_str(), 0) == 0)
        return 0;
    std::string bytes;
    const int error = readWhole(m_dir, name, bytes);
    return error ? error : writeSynced(old, bytes, st.st_mode & 0666);
}

// A file written whole and synced, or not there at all.
int PairFolder::writeSynced(const std::string &name, const std::string &bytes, unsigned mode) const
{
    const int fd = ::openat(m_dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | kNoLinks, mode);
    if (fd < 0)
        return errno;
    int error = writeWhole(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error && errno != EINTR)
        error = errno;
    if (error)
        ::unlinkat(m_dir, name.c_str(), 0);
    return error;
}

// A new record file keeps the permissions of the one it replaces, so whoever could read the
// record before still can.
unsigned PairFolder::modeFor(const char *name) const
{
    struct stat st{};
    if (::fstatat(m_dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 0666;
    return 0664;
}

// From "complete the change" to "undo it", in one step, so that a crash while undoing is
// followed by more undoing, never by completing half of it.
int PairFolder::turnBack() const
{
    if (const int error = renameIn(kJournal, kUndo))
        return error;
    if (const int error = sync())
        return error;
    if (const int error = undoFirst())
        return error;
    return sync();
}

// Back to the old holder after its new file took its place but the score could not change.
// Done again after a crash, it does nothing more: the ".old" name is gone once it is back.
int PairFolder::undoFirst() const
{
    return exists(kFirst + ".old") ? renameIn(kFirst + ".old", kFirst) : 0;
}

void PairFolder::forget() const
{
    // Whatever lies at the journal's names goes, a folder too: left there, it would refuse
    // every later save its journal.
    const bool a = exists(kJournal), b = exists(kUndo);
    removeAnything(kJournal);
    removeAnything(kUndo);
    if (a || b)
        sync();
    for (const std::string &name : {kFirst, kSecond}) {
        removeAnything(name + ".new");
        removeAnything(name + ".old");
    }
}

// Only a journal written whole counts: it names the two files, each ended by a NUL.
bool PairFolder::readJournal(const std::string &name) const
{
    std::string bytes;
    if (readWhole(m_dir, name, bytes) != 0)
        return false;
    const std::size_t a = bytes.find('\0');
    const std::size_t b = a == std::string::npos ? a : bytes.find('\0', a + 1);
    return a > 0 && b != std::string::npos && b > a + 1 && b + 1 == bytes.size();
}

bool PairFolder::exists(const std::string &name) const
{
    struct stat st{};
    return ::fstatat(m_dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

int PairFolder::renameIn(const std::string &from, const std::string &to) const
{
    return ::renameat(m_dir, from.c_str(), m_dir, to.c_str()) == 0 ? 0 : errno;
}

// A rename is on the disk only once its folder is.
int PairFolder::sync() const
{
    const int error = ::fsync(m_dir) == 0 ? 0 : errno;
    // Some file systems cannot sync a folder; they say so, and it is nothing to stop for.
    return error == EINVAL || error == EROFS ? 0 : error;
}

void PairFolder::removeAnything(const std::string &name) const
{
    removeTree(m_dir, name, 0);
}

void PairFolder::fail(const std::string &name, int errnum) const
{
    failOn(m_path, name, errnum);
}
