// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QFile>
#include <QString>
#include <memory>

// Every request queued, started, finished or dropped, one line each ("<ms since the epoch>
// <event> <number> <request>"), for tests and for finding out why the wizard said what he
// said; written where TIRLINDO_AGENT_LOG=FILE names a file.
// Beside it, where TIRLINDO_FRAME_LOG=FILE names one, every picture put on screen, every step
// of the voice's clock and the sounds of every phrase ("<ms> shown <animation> <frame> <mouth>",
// "<ms> played <speech> <ms heard>", "<ms> sounds <speech> <shape>:<phoneme>@<ms> ...", the
// time to the microsecond), for measuring how the mouth keeps step with what is heard.
// Nothing is written to a log without a file.
class RequestLog
{
public:
    // Opens each path for appending; an empty path (or one that cannot be opened) logs nothing.
    explicit RequestLog(const QString &path, const QString &framePath = {});
    // The files TIRLINDO_AGENT_LOG and TIRLINDO_FRAME_LOG name.
    static QString pathFromEnvironment();
    static QString framePathFromEnvironment();

    void write(const char *event, quint64 number, const QString &request);
    bool framesWanted() const { return m_frames != nullptr; }
    void writeFrame(const QString &line);

private:
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<QFile> m_frames;
};
