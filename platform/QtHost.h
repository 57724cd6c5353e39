// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/Host.h"
#include "platform/RecordHelper.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <random>

// The boxes' OK and cancel pictures (and the menu bar's overflow arrow) straight from Qt's
// own, when the desktop names no icon theme of its own. Looking them up in the bare fallback
// theme (which holds programs' icons, never these) finds nothing and ends with the same
// pictures, but reading that theme's index costs the first box about five milliseconds, and
// reading the pictures the usual way loads every image format plugin. A desktop with a theme
// keeps its pictures. Call once, after the application is made and before the first box.
void useQtBoxButtonPictures();

// The real boxes: modal, OK only, no icon, titled "Tirlindo".
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    QString InputBox(const QString &prompt) override;
    void MsgBox(const QString &text) override;

private:
    QPointer<QWidget> m_parent;
};

class ClockRandom : public RandomSource
{
public:
    void Randomize() override;
    float Rnd() override;

private:
    std::mt19937 m_engine{0};
};

// What a one-line input box keeps of a pasted text: the text up to its first line break or
// NUL, as a single-line edit takes it.
QString firstLineOnly(const QString &text);

// $XDG_DATA_HOME/tirlindo, or .local/share/tirlindo in the home folder ($HOME, else the
// user's entry in the password database); the empty text when there is none of them.
QString dataFolderFor(const QString &xdgDataHome, const QString &home, const QString &homeInPasswd);

// The record's folder: $TIRLINDO_RECORD_DIR when set; else the folder shared by every account
// when the computer has it (the package makes it); else the folder dataFolderFor() gives.
// The last two are created when missing. Throws RuntimeError with the reason in Italian when
// there is no such folder to be had. Records are written by tirlindo-record only.
class DataDirectory : public SystemDirectory
{
public:
    QString GetWindowsDirectory() override;
    bool SaveRecord(const QString &folder, const QString &score, const QString &holder) override;
    void RecoverRecord(const QString &folder) override;

private:
    RecordHelper helper() const;
};

class ProcessEnd : public ProgramEnd
{
public:
    void End(int status) override;
    // Runs first: the character's voice is stopped before the process goes.
    std::function<void(int status)> beforeEnd;
};

inline const QString kProgramTitle = QStringLiteral("Tirlindo");
