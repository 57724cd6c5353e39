// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QByteArray>

// The Qt platform to ask for before the application starts, or empty for Qt's own choice.
// On a Wayland session the game runs on XWayland when it is there: the window and the
// floating wizard must sit where the game puts them, which Wayland does not let a program do.
QByteArray preferredPlatform(const QByteArray &qtPlatform, const QByteArray &sessionType,
                             const QByteArray &waylandDisplay, const QByteArray &x11Display);

// While on, a fatal error (no platform plugin could start: no display at all, or none of
// the plugins installed) ends the program with a message saying so and a failure status,
// rather than with Qt's abort. On from before the application object until it exists.
void reportStartFailures(bool on);
