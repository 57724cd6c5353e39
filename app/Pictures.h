// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>

// The window's pictures, drawn as SVG and bundled in the program.
namespace Pictures {

enum Picture { Icon, DuckCursor, FaceSmile, FaceStraight, FaceLaugh, NoEntry, Stopwatch };

QString path(Picture picture);
QPixmap pixmap(Picture picture, QSize size, qreal devicePixelRatio);
QIcon icon();              // the program's icon at the usual sizes
// The same, in two steps: the pictures can be drawn on any thread once the application
// exists, and made into the icon on the UI thread.
QList<QImage> iconImages();
QIcon icon(const QList<QImage> &images);
QCursor duckCursor();      // the 48 × 48 duck's head over the window's surface
QCursor iconPointer();     // the pointer of the new-exercise button and the message line

} // namespace Pictures
