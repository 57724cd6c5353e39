// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QImage>
#include <QRegion>

class QWidget;

// A shaped window's outline and pixels set straight through the X11 connection, at device
// pixels, and whether a compositor runs. Where the window is not on X11 (or the shape
// extension was not built in) it is unavailable and does nothing.
class X11Surface
{
public:
    explicit X11Surface(QWidget *window);
    ~X11Surface();
    X11Surface(const X11Surface &) = delete;
    X11Surface &operator=(const X11Surface &) = delete;

    bool available() const { return m_x11; }
    bool compositorRunning() const;
    // The outline that is drawn (`input` false) or that takes the pointer (`input` true).
    void setShape(const QRegion &shape, bool input);
    // No cut outline: the whole window is drawn.
    void clearShape();
    // Sends `area` of `screen` (the whole window at device pixels) to the window at once;
    // false where that cannot be done (hidden, or pixels laid out otherwise).
    bool put(const QImage &screen, const QRect &area);
    void flush();

private:
    QWidget *m_window;
    bool m_x11 = false;
    bool m_backgroundCleared = false;
    int m_windowDepth = 0;
    quint32 m_gc = 0;
};
