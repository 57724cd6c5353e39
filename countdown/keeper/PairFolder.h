// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <string>

// The record folder and the two files in it that change together, the holder and the score.
// Everything is reached through the folder's own descriptor, and no symbolic link is ever
// followed, so nothing outside the folder can be written through it.
//
// Each new content is written first to the file's name plus ".new"; replace() then puts
// both in place as one change. Whatever happens on the way (a crash, a power cut, a refused
// call), the next recover() leaves both old files or both new ones, never one of each:
//
//  1. the holder's "X.old": a second name for the old file, to go back to;
//  2. the journal, written whole and synced: from here on the change counts as made, and
//     recover() completes it (or, when it cannot, undoes it);
//  3. each "X.new" renamed over its file, holder first, then the folder synced;
//  4. the journal removed, then the ".new" and ".old" names.
//
// When the score refuses its new content, the journal is renamed ".undo" and the holder
// goes back to its ".old" name; a recover() that finds ".undo" finishes going back.
//
// Failures throw KeeperError with the reason in Italian; the old pair is then in place.
class PairFolder
{
public:
    explicit PairFolder(std::string path);
    ~PairFolder();
    PairFolder(const PairFolder &) = delete;
    PairFolder &operator=(const PairFolder &) = delete;

    // Takes the folder's lock for as long as this object lives, waiting at most `seconds`
    // for another save to end.
    void lock(int seconds);

    // Completes or undoes a change that a crash interrupted, and clears leftovers.
    void recover();

    // A record file's bytes; empty when it is missing.
    std::string read(const char *name) const;

    // Writes the new pair beside the old one and puts it in place.
    void replace(const std::string &holderBytes, const std::string &scoreBytes);

private:
    int keepOld(const std::string &name) const;
    int writeSynced(const std::string &name, const std::string &bytes, unsigned mode) const;
    unsigned modeFor(const char *name) const;
    int turnBack() const;
    int undoFirst() const;
    void forget() const;
    bool readJournal(const std::string &name) const;
    bool exists(const std::string &name) const;
    int renameIn(const std::string &from, const std::string &to) const;
    int sync() const;
    void removeAnything(const std::string &name) const;
    [[noreturn]] void fail(const std::string &name, int errnum) const;

    std::string m_path;
    int m_dir = -1;
    int m_lock = -1;
};
