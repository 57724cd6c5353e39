// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/keeper/KeeperFiles.h"

#include "countdown/keeper/KeeperError.h"
#include "countdown/keeper/RecordText.h"
#include "countdown/keeper/SystemReason.h"

#include <cerrno>
#include <ctime>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KeeperFiles {

std::string reasonFor(int errnum)
{
    // Links are never followed: the system's "too many links" means there was one.
    if (errnum == ELOOP)
        return "è un collegamento simbolico";
    return errnum == kNotRegular ? "non è un file normale" : systemReason(errnum);
}

void failOn(const std::string &path, const std::string &name, int errnum)
{
    if (errnum == EFBIG)
        throw KeeperError("Impossibile salvare il record: il file " + path + "/" + name
                              + " è troppo grande per essere un record",
                          kFailed);
    throw KeeperError("Impossibile salvare il file " + path + "/" + name + " (" + reasonFor(errnum) + ")", kFailed);
}

int openFolder(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | kNoLinks);
    if (fd < 0)
        throw KeeperError("Impossibile aprire la cartella dei record " + path + " (" + reasonFor(errno) + ")", kFailed);
    return fd;
}

int writeWhole(int fd, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += std::size_t(n);
    }
    return 0;
}

int readAll(int fd, std::string &bytes)
{
    struct stat st{};
    int error = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : !S_ISREG(st.st_mode) ? kNotRegular : 0;
    if (!error && st.st_size > RecordText::kLargestFile)
        error = EFBIG;
    char buffer[4096];
    while (!error) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, off_t(bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : 0;
            break;
        }
        bytes.append(buffer, std::size_t(n));
        if (bytes.size() > std::size_t(RecordText::kLargestFile))
            error = EFBIG;
    }
    return error;
}

void waitForLock(int fd, int seconds, const std::string &name)
{
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return;
        if (errno != EWOULDBLOCK && errno != EINTR)
            throw KeeperError("Impossibile salvare il file " + name + " (" + reasonFor(errno) + ")", kFailed);
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec - start.tv_sec >= seconds)
            throw KeeperError("Impossibile salvare il record: un altro salvataggio lo tiene occupato da più di "
                                  + std::to_string(seconds) + " secondi",
                              kFailed);
        const timespec pause{0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

} // namespace KeeperFiles
