// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// tirlindo-record: the only code that may write the record shared by every account of the
// computer. Installed setgid games, it runs for whoever starts it, so it trusts nothing it is
// handed: the environment is dropped unread, the request on the standard input is checked as
// the game would make it, and only the two record files, their journal and the lock are
// touched, inside the record folder, never through a symbolic link.
//
//   tirlindo-record [--recover] [FOLDER]
//
// Reads the score and the holder's name (UTF-8), one line each, and writes them when the
// score beats the record on the disk; with --recover it reads nothing and only completes or
// undoes a save that a crash interrupted. FOLDER, for a record kept elsewhere (the player's
// own), gives up the games group before anything is opened. Exit statuses: KeeperError.h.
#include "countdown/keeper/KeeperError.h"
#include "countdown/keeper/PairFolder.h"
#include "countdown/keeper/RecordRequest.h"
#include "countdown/keeper/RecordText.h"
#include "countdown/keeper/SharedPair.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a save waits for another one to end before it gives up.
constexpr int kLockSeconds = 5;

void say(const std::string &message)
{
    const std::string line = message + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += std::size_t(n);
    }
}

// A descriptor 0, 1 or 2 that the caller closed would be handed to the next file opened,
// and a message meant for the caller would land in a record file: each gets /dev/null.
// True when the standard input was there.
bool standardDescriptorsOpen()
{
    bool input = true;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        if (fd == 0)
            input = false;
        if (::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd)
            std::_Exit(kFailed);
    }
    return input;
}

std::string readInput()
{
    std::string input;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw KeeperError("Richiesta rifiutata: lo standard input non si può leggere", kRefused);
        if (n == 0)
            return input;
        input.append(buffer, std::size_t(n));
        // More than any request the game makes: no need to read the rest.
        if (input.size() > RecordRequest::kLargestInput)
            return input;
    }
}

void dropGroup()
{
    const gid_t own = ::getgid();
    gid_t real = 0, effective = 0, saved = 0;
    if (::setresgid(own, own, own) != 0 || ::getresgid(&real, &effective, &saved) != 0 || real != own
        || effective != own || saved != own)
        throw KeeperError("Impossibile rinunciare ai privilegi del gruppo dei giochi", kFailed);
}

// The shared folder's files are written in place (SharedPair.h); a folder of the player's own
// has its files replaced whole (PairFolder.h), as it may be made from nothing.
template <class Pair>
int save(Pair &pair, bool recoverOnly, const RecordRequest &request)
{
    pair.lock(kLockSeconds);
    pair.recover();
    if (recoverOnly)
        return kSaved;
    // Decided on the record on the disk now, under the lock: another game may have raised
    // it since this one started, and a record is never lowered.
    if (RecordText::leadingNumber(pair.read(RecordText::kScoreFile)) >= request.score)
        return kNotHigher;
    pair.replace(RecordText::toWindows1252(request.name) + "\r\n", std::to_string(request.score) + "\r\n");
    return kSaved;
}

int run(int argc, char **argv)
{
    const bool inputOpen = standardDescriptorsOpen();
    bool recoverOnly = false;
    std::string folder;
    int at = 1;
    if (at < argc && std::strcmp(argv[at], "--recover") == 0) {
        recoverOnly = true;
        ++at;
    }
    if (at < argc && argv[at][0] != '-' && argv[at][0] != '\0')
        folder = argv[at++];
    if (at < argc)
        throw KeeperError("Richiesta rifiutata: argomenti non validi (uso: tirlindo-record [--recover] [CARTELLA])",
                          kRefused);
    const bool shared = folder.empty();
    if (shared)
        folder = TIRLINDO_SHARED_RECORD_DIR;
    else
        dropGroup();

    RecordRequest request;
    if (!recoverOnly) {
        if (!inputOpen)
            throw KeeperError("Richiesta rifiutata: lo standard input è chiuso", kRefused);
        request = RecordRequest::parse(readInput());
    }

    if (shared) {
        SharedPair pair(folder);
        return save(pair, recoverOnly, request);
    }
    PairFolder pair(folder);
    return save(pair, recoverOnly, request);
}

} // namespace

int main(int argc, char **argv)
{
    // Nothing from the caller's environment is read, by this code or the library's.
    ::clearenv();
    // New record files take the mode of those they replace (0664 for a fresh one) unchanged.
    ::umask(002);
    // A tiny file size limit fails a write instead of killing the program in mid-save; a
    // closed reader of the messages is no reason to stop either.
    ::signal(SIGXFSZ, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);
    try {
        return run(argc, argv);
    } catch (const KeeperError &error) {
        say(error.what());
        return error.status();
    } catch (const std::exception &) {
        say("Impossibile salvare il record: memoria esaurita");
        return kFailed;
    }
}
