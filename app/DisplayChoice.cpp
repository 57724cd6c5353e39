// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DisplayChoice.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

QByteArray preferredPlatform(const QByteArray &qtPlatform, const QByteArray &sessionType,
                             const QByteArray &waylandDisplay, const QByteArray &x11Display)
{
    if (!qtPlatform.isEmpty())
        return QByteArray(); // the user's own choice stands
    const bool wayland = sessionType == "wayland" || !waylandDisplay.isEmpty();
    if (wayland && !x11Display.isEmpty())
        return QByteArrayLiteral("xcb");
    // Wayland alone: said outright, since Qt's default may be X11 whatever the session.
    if (!waylandDisplay.isEmpty())
        return QByteArrayLiteral("wayland");
    return QByteArray();
}

namespace {
QtMessageHandler g_previousHandler = nullptr;

void reportStartFailure(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        if (g_previousHandler)
            g_previousHandler(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(message));
        return;
    }
    // Qt would abort here, and a child's game launched from a menu would just not appear.
    std::fprintf(stderr,
                 "Tirlindo non riesce ad aprire la sua finestra: nessuno schermo grafico "
                 "(X11 o Wayland) utilizzabile.\n"
                 "Tirlindo cannot open its window: no usable X11 or Wayland display "
                 "(DISPLAY=%s, WAYLAND_DISPLAY=%s, QT_QPA_PLATFORM=%s).\n%s\n",
                 qgetenv("DISPLAY").constData(), qgetenv("WAYLAND_DISPLAY").constData(),
                 qgetenv("QT_QPA_PLATFORM").constData(), qPrintable(message));
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}
} // namespace

void reportStartFailures(bool on)
{
    if (on)
        g_previousHandler = qInstallMessageHandler(reportStartFailure);
    else
        qInstallMessageHandler(g_previousHandler);
}
