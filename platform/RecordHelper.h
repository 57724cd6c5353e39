// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QByteArray>
#include <QString>

// The game's side of tirlindo-record, the program that alone writes the record: the game
// never writes a record file itself. It is run for the shared folder with no folder named
// (it may write there, the game may not), and for any other folder with that folder named
// (it then gives up its privilege). While it runs, the window keeps drawing and its timer
// keeps ticking, but takes no input, as under a modal box.
class RecordHelper
{
public:
    RecordHelper(QString program, QString sharedFolder);

    // True when the new record is in place; false when the record on the disk is as high or
    // higher (another game raised it meanwhile). Throws RuntimeError saying why not, in Italian.
    bool save(const QString &folder, const QString &score, const QString &holder) const;

    // Completes or undoes a save that a crash interrupted, when the folder shows one.
    void recover(const QString &folder) const;

    // The folder of the record shared by every account, as built in.
    static QString sharedFolder();
    // The installed program's, found from the game's own folder; beside the game otherwise
    // (the build tree).
    static QString installedProgram();

    // How long the game waits for it: a save waits at most 5 s for another save to end.
    static constexpr int kWaitSeconds = 20;

private:
    int run(const QString &folder, bool recoverOnly, const QByteArray &input, QString &said) const;

    QString m_program;
    QString m_shared;
};
