// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QString>

// Two files that change together, as the record and its holder do. Each new content is
// written first to the file's name plus ".new", beside the file; replace() then puts both in
// place as one change. Whatever happens on the way (a crash, a power cut, a refused call),
// the next recover() leaves both old files or both new ones, never one of each:
//
//  1. "X.old": a second name for each old file, to go back to;
//  2. the journal, naming both files, written whole and synced: from here on the change
//     counts as made, and recover() completes it (or, when it cannot, undoes it);
//  3. each "X.new" renamed over its file, then the folders synced;
//  4. the journal removed, then the ".old" names.
//
// When the second file refuses its new content, the journal is renamed ".undo" and the first
// file goes back to its ".old" name; a start that finds ".undo" finishes going back.
//
// A file that is a symbolic link is written through: its target is replaced, the link stays.
namespace RecordPair {

// The file a path leads to, following symbolic links (even to a target that does not exist).
QString resolved(const QString &path);

// Removes what a save left half done at `path`.new and `path`.old (a folder too).
void clearLeftovers(const QString &path);

// first.new and second.new are written and synced; puts them in place. Throws RuntimeError
// with the reason in Italian when it cannot: the old pair is then still in place.
void replace(const QString &journal, const QString &first, const QString &second);

// At start: completes or undoes a change that a crash interrupted, and clears leftovers.
void recover(const QString &journal, const QString &first, const QString &second);

} // namespace RecordPair
