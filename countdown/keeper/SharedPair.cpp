// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/keeper/SharedPair.h"

#include "countdown/keeper/KeeperError.h"
#include "countdown/keeper/KeeperFiles.h"
#include "countdown/keeper/RecordText.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace KeeperFiles;

namespace {

// The journal: a mark, the holder's bytes and the score's, each ended by a NUL (neither
// holds one), and "end". Whatever a crash cuts off, the end goes with it.
const std::string kMark = "tirlindo-pair";
const std::string kEnd = "end";

std::string journalOf(const std::string &holderBytes, const std::string &scoreBytes)
{
    return kMark + '\0' + holderBytes + '\0' + scoreBytes + '\0' + kEnd;
}

bool fromJournal(const std::string &journal, std::string &holderBytes, std::string &scoreBytes)
{
    const std::size_t a = journal.find('\0');
    const std::size_t b = a == std::string::npos ? a : journal.find('\0', a + 1);
    const std::size_t c = b == std::string::npos ? b : journal.find('\0', b + 1);
    if (c == std::string::npos || journal.compare(0, a, kMark) != 0 || a != kMark.size()
        || journal.compare(c + 1, std::string::npos, kEnd) != 0)
        return false;
    holderBytes = journal.substr(a + 1, b - a - 1);
    scoreBytes = journal.substr(b + 1, c - b - 1);
    return true;
}

// The file holds exactly `bytes`, on the disk.
int overwrite(int fd, const std::string &bytes)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return errno;
    if (const int error = writeWhole(fd, bytes))
        return error;
    if (::ftruncate(fd, off_t(bytes.size())) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

} // namespace

SharedPair::SharedPair(std::string path)
    : m_path(std::move(path))
{
    m_dir = openFolder(m_path);
    // Read-only suffices to lock, and the lock's mode keeps ordinary accounts from holding it.
    m_lock = open(RecordText::kLockFile, O_RDONLY);
    m_holder = open(RecordText::kHolderFile, O_RDWR);
    m_score = open(RecordText::kScoreFile, O_RDWR);
    m_journal = open(RecordText::kJournalFile, O_RDWR);
}

SharedPair::~SharedPair()
{
    for (const int fd : {m_journal, m_score, m_holder, m_lock, m_dir}) {
        if (fd >= 0)
            ::close(fd);
    }
}

int SharedPair::open(const char *name, int flags) const
{
    // Not a pipe's open, which would wait for a writer; nothing is created.
    const int fd = ::openat(m_dir, name, flags | O_NONBLOCK | kNoLinks);
    if (fd < 0 && errno == ENOENT)
        throw KeeperError("Impossibile salvare il record: manca il file " + m_path + "/" + name
                              + " (reinstalla il gioco per rifarlo)",
                          kFailed);
    if (fd < 0)
        fail(name, errno);
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fail(name, S_ISDIR(st.st_mode) ? EISDIR : kNotRegular);
    }
    return fd;
}

void SharedPair::lock(int seconds)
{
    waitForLock(m_lock, seconds, m_path + "/" + RecordText::kLockFile);
}

void SharedPair::recover()
{
    const std::string journal = contentOf(m_journal, RecordText::kJournalFile);
    if (journal.empty())
        return;
    std::string holderBytes, scoreBytes;
    if (fromJournal(journal, holderBytes, scoreBytes)) {
        if (const int error = put(holderBytes, scoreBytes))
            failInFolder(error);
    }
    emptyJournal();
}

std::string SharedPair::read(const char *name) const
{
    return contentOf(name == std::string(RecordText::kHolderFile) ? m_holder : m_score, name);
}

void SharedPair::replace(const std::string &holderBytes, const std::string &scoreBytes)
{
    const std::string oldHolder = contentOf(m_holder, RecordText::kHolderFile);
    const std::string oldScore = contentOf(m_score, RecordText::kScoreFile);
    if (const int error = overwrite(m_journal, journalOf(holderBytes, scoreBytes))) {
        emptyJournal();
        fail(RecordText::kJournalFile, error);
    }
    if (const int error = put(holderBytes, scoreBytes)) {
        // Should the old contents not go back either, the journal stays whole, and the next
        // save completes the new pair.
        if (put(oldHolder, oldScore) == 0)
            emptyJournal();
        failInFolder(error);
    }
    emptyJournal();
}

std::string SharedPair::contentOf(int fd, const char *name) const
{
    std::string bytes;
    const int error = readAll(fd, bytes);
    if (error)
        fail(name, error);
    return bytes;
}

int SharedPair::put(const std::string &holderBytes, const std::string &scoreBytes) const
{
    if (const int error = overwrite(m_holder, holderBytes))
        return error;
    return overwrite(m_score, scoreBytes);
}

// An emptied journal that does not reach the disk is written again by the next recover():
// the same pair, no harm.
void SharedPair::emptyJournal() const
{
    if (::ftruncate(m_journal, 0) == 0)
        ::fsync(m_journal);
}

void SharedPair::failInFolder(int errnum) const
{
    throw KeeperError("Impossibile salvare il record nella cartella " + m_path + " (" + reasonFor(errnum) + ")", kFailed);
}

void SharedPair::fail(const char *name, int errnum) const
{
    failOn(m_path, name, errnum);
}
