// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/RequestLog.h"

#include <QDateTime>

RequestLog::RequestLog(const QString &path)
{
    if (path.isEmpty())
        return;
    auto file = std::make_unique<QFile>(path);
    // Unbuffered and appended: each line reaches the file whole at once, for readers that
    // follow it while the game runs, and next to the lines of other characters.
    if (file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        m_file = std::move(file);
}

QString RequestLog::pathFromEnvironment()
{
    return qEnvironmentVariable("TIRLINDO_AGENT_LOG");
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
