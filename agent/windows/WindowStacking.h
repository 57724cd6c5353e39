// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

class QWidget;

// Where the character's floating windows stand among the desktop's windows: the one way they
// are shown and kept in order, so that none of them appears where the game's window is not.
class WindowStacking
{
public:
    virtual ~WindowStacking() = default;

    // Takes a floating window into care; those adopted later stack above those adopted
    // earlier (the balloon above the wizard). The window is destroyed first.
    virtual void adopt(QWidget *window) = 0;
    // The game's top-level window the floating windows belong to.
    virtual void followGame(QWidget *game) = 0;
    // Shows the window (unless the game is away) and stacks it in its place.
    virtual void show(QWidget *window) = 0;
    // Puts the adopted windows back in their place above the game.
    virtual void restack() = 0;
};
