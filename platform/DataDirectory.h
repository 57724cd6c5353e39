// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/Host.h"
#include "platform/RecordHelper.h"

#include <QString>

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
