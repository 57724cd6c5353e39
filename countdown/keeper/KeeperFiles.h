// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <fcntl.h>
#include <string>

// File calls shared by the two ways of keeping the record pair (PairFolder, SharedPair).
namespace KeeperFiles {

// No name is ever followed through a symbolic link, and no descriptor outlives the program.
inline constexpr int kNoLinks = O_NOFOLLOW | O_CLOEXEC;
// Not an errno: a pipe, a device or a socket where a file should be.
inline constexpr int kNotRegular = -1;

// What a failed call means, in Italian; kNotRegular and ELOOP (a link) included.
std::string reasonFor(int errnum);

// Throws KeeperError saying why the file `name` of the folder `path` could not be saved.
[[noreturn]] void failOn(const std::string &path, const std::string &name, int errnum);

// The record folder's descriptor, never reached through a link; throws KeeperError when not.
int openFolder(const std::string &path);

// 0, or the errno of the write that failed.
int writeWhole(int fd, const std::string &bytes);

// Bytes of a regular file from its start, at most the largest record file: 0, or why not
// (EFBIG when larger, EISDIR or kNotRegular when it is no file).
int readAll(int fd, std::string &bytes);

// Takes the lock held on `fd`, waiting at most `seconds` for whoever holds it; throws
// KeeperError when it cannot, naming `name`.
void waitForLock(int fd, int seconds, const std::string &name);

} // namespace KeeperFiles
