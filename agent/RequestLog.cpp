// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/RequestLog.h"

#include <QDateTime>

#include <chrono>

namespace {

std::unique_ptr<QFile> openLog(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    auto file = std::make_unique<QFile>(path);
    // Unbuffered and appended: each line reaches the file whole at once, for readers that
    // follow it while the game runs, and next to the lines of other characters.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return nullptr;
    return file;
}

} // namespace

RequestLog::RequestLog(const QString &path, const QString &framePath)
    : m_file(openLog(path))
    , m_frames(openLog(framePath))
{
}

QString RequestLog::pathFromEnvironment()
{
    return qEnvironmentVariable("TIRLINDO_AGENT_LOG");
}

QString RequestLog::framePathFromEnvironment()
{
    return qEnvironmentVariable("TIRLINDO_FRAME_LOG");
}

void RequestLog::writeFrame(const QString &line)
{
    if (!m_frames)
        return;
    using namespace std::chrono;
    const double ms = double(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count()) / 1000;
    m_frames->write((QString::number(ms, 'f', 3) + QLatin1Char(' ') + line + QLatin1Char('\n')).toUtf8());
}

void RequestLog::write(const char *event, quint64 number, const QString &request)
{
    if (!m_file)
        return;
    m_file->write(QStringLiteral("%1 %2 %3 %4\n")
                      .arg(QDateTime::currentMSecsSinceEpoch())
                      .arg(QLatin1String(event))
                      .arg(number)
                      .arg(request)
                      .toUtf8());
}
