// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/CharacterFile.h"
#include "agent/drawing/PartDrawings.h"
#include "agent/drawing/RenderedFrame.h"

#include <QImage>
#include <QRegion>

// The smallest rectangle holding every pixel where two pictures of one size differ (empty
// when they are the same), and its pixels copied from one picture onto the other.
QRect differingRect(const QImage &a, const QImage &b);
void pastePixels(QImage &onto, const QImage &part, QPoint at);

// Draws `frame` at `logical` size and device pixel ratio `dpr`.
QImage drawFrame(const CharacterFrame &frame, PartDrawings &parts, QSize canvas, QSize logical, qreal dpr);

// The pixels of `image` (premultiplied ARGB) that are at least half opaque, in device pixels.
QRegion shapeOf(const QImage &image);

// Without a compositor the screen ignores alpha: a half-covered rim pixel, premultiplied, would
// show dark. Pixels inside the shape become opaque in their own colour; the rest clear.
void makeEdgesOpaque(QImage &image);

// Both of the above, for a screen with or without a compositor.
RenderedFrame finishFrame(QImage image, bool compositing);

// `shape` (device pixels) as the smallest logical region that covers it.
QRegion logicalShape(const QRegion &shape, qreal dpr);
