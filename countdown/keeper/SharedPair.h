// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <string>

// The record pair in the folder shared by every account of the computer. The package makes
// its four files (the holder, the score, the journal and the lock), owned by root and the
// games group; this program writes into them and never creates, renames or removes a name
// there. A file made by a save would belong to the account that ran it, which could then edit
// or hide the record by hand: here every byte stays root's, out of every account's reach.
//
// The pair changes through the journal, each file written in place and synced:
//  1. the journal takes both new contents, whole: from here on the change counts as made,
//     and recover() writes them again;
//  2. the holder, then the score, take their new contents;
//  3. the journal is emptied.
// A journal cut short by a crash is not whole, and is ignored: the record files had not been
// touched. Should a record file refuse its new content, the old contents go back and the
// journal is emptied: the old pair stands, and the save says it failed.
class SharedPair
{
public:
    explicit SharedPair(std::string path);
    ~SharedPair();
    SharedPair(const SharedPair &) = delete;
    SharedPair &operator=(const SharedPair &) = delete;

    // Takes the folder's lock for as long as this object lives, waiting at most `seconds`
    // for another save to end.
    void lock(int seconds);

    // Writes again a change that a crash interrupted after the journal was whole.
    void recover();

    // A record file's bytes.
    std::string read(const char *name) const;

    // Puts the new pair in place. Throws KeeperError saying why not; the old pair then stands.
    void replace(const std::string &holderBytes, const std::string &scoreBytes);

private:
    int open(const char *name, int flags) const;
    std::string contentOf(int fd, const char *name) const;
    int put(const std::string &holderBytes, const std::string &scoreBytes) const;
    void emptyJournal() const;
    [[noreturn]] void fail(const char *name, int errnum) const;
    [[noreturn]] void failInFolder(int errnum) const;

    std::string m_path;
    int m_dir = -1;
    int m_lock = -1;
    int m_holder = -1;
    int m_score = -1;
    int m_journal = -1;
};
