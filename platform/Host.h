// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QString>

// What the window's handlers reach outside the process. main.cpp hands the real ones to
// the window; tests hand scripted fakes.

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Modal name prompt; the empty text when the player cancels.
    virtual QString InputBox(const QString &prompt) = 0;
    // Modal box with an OK button only, no icon, titled with the program's name.
    virtual void MsgBox(const QString &text) = 0;
};

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual void Randomize() = 0; // re-seed from the clock
    virtual float Rnd() = 0;      // uniform in [0, 1)
};

class SystemDirectory
{
public:
    virtual ~SystemDirectory() = default;
    // The directory that holds the record files, created when missing; the empty text, or
    // a RuntimeError saying why, when there is none to be had.
    virtual QString GetWindowsDirectory() = 0;
    // Puts a new record in the folder unless the record on the disk is as high or higher;
    // true when it did. Throws RuntimeError saying why it could not.
    virtual bool SaveRecord(const QString &folder, const QString &score, const QString &holder) = 0;
    // Completes or undoes a save that a crash interrupted there, before the record is read.
    virtual void RecoverRecord(const QString &folder) = 0;
};

class ProgramEnd
{
public:
    virtual ~ProgramEnd() = default;
    // Ends the program with the given exit status. The real one never returns; a test's
    // fake records the call, and the window runs no handler after it.
    virtual void End(int status) = 0;
};
