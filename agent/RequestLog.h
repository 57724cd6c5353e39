// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QFile>
#include <QString>
#include <memory>

// Every request queued, started, finished or dropped, one line each ("<ms since the epoch>
// <event> <number> <request>"), for tests and for finding out why the wizard said what he
// said. Written where TIRLINDO_AGENT_LOG=FILE names a file; nothing is written without one.
class RequestLog
{
public:
    // Opens `path` for appending; an empty path (or one that cannot be opened) logs nothing.
    explicit RequestLog(const QString &path);
    // The file TIRLINDO_AGENT_LOG names.
    static QString pathFromEnvironment();

    void write(const char *event, quint64 number, const QString &request);

private:
    std::unique_ptr<QFile> m_file;
};
