// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DisplayChoice.h"

QByteArray preferredPlatform(const QByteArray &qtPlatform, const QByteArray &sessionType,
                             const QByteArray &waylandDisplay, const QByteArray &x11Display)
{
    if (!qtPlatform.isEmpty())
        return QByteArray(); // the user's own choice stands
    const bool wayland = sessionType == "wayland" || !waylandDisplay.isEmpty();
    if (wayland && !x11Display.isEmpty())
        return QByteArrayLiteral("xcb");
    return QByteArray();
}
