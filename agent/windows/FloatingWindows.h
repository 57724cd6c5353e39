// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/windows/WindowStacking.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QVector>

class QWidget;

// How the character's floating windows sit among the desktop's windows. On X11 they bypass
// the window manager (to be placed exactly and never take the focus), so the game keeps them
// in order itself: right above the game's own window rather than above every window, so that
// the game's boxes and other programs in front of the game cover them (where the window
// manager insists on keeping them above everything, they step away while a box is open or
// another program is in front);
// away while the game is minimised or hidden; and marked for compositors as windows that
// cast no shadow. On Wayland they are tooltip-like windows of the game window.
class FloatingWindows : public QObject, public QAbstractNativeEventFilter, public WindowStacking
{
    Q_OBJECT
public:
    FloatingWindows();
    // Lets go of the game's window, the application's native events and its state.
    ~FloatingWindows() override;

    void adopt(QWidget *window) override;
    void followGame(QWidget *game) override;
    void show(QWidget *window) override;
    void restack() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    // The hints that tell compositors not to shadow a shaped window: on X11 only.
    void markUnshadowed(QWidget *window);
    // Whether the game's window is minimised or hidden (the floating windows are away then).
    bool gameAway() const;
    void remapMoved();
    void setAway(bool away);
    void updateAway();
    void watchRestacking();
    void attachToGame(QWidget *window);
    void checkStacking();

    QVector<QPointer<QWidget>> m_windows;
    QPointer<QWidget> m_game;
    bool m_away = false;
    bool m_watching = false;
    QSet<QWidget *> m_moved; // moved while shown, where only showing again moves a window
    QTimer m_remap;
    QTimer m_check;       // a look at the stack once the window manager is done restacking
    int m_corrections = 0; // in a row, so that a fight with a window manager ends
    quint32 m_gameFrame = 0; // the game's outermost window at the last restack
    QHash<quint32, quint32> m_placedAbove; // our window -> the window we last put it on
    bool m_blocked = false; // a box of the game is open
    bool m_keptOnTop = false;     // the window manager put ours above its own windows
    bool m_raisedOverBox = false; // ... above the box open now
    bool m_wasActive = false;
    bool m_watchingState = false;
};
