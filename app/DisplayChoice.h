// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QByteArray>

// The Qt platform to ask for before the application starts, or empty for Qt's own choice.
// On a Wayland session the game runs on XWayland when it is there: the window and the
// floating wizard must sit where the game puts them, which Wayland does not let a program do.
QByteArray preferredPlatform(const QByteArray &qtPlatform, const QByteArray &sessionType,
                             const QByteArray &waylandDisplay, const QByteArray &x11Display);
