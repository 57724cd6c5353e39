// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>

// A frame ready for the screen: the picture at device pixels, cut to what it covers and placed
// at `offset` in the window, and its outline in the window's device pixels (a pixel belongs to
// the shape when it is at least half opaque). Cutting keeps the cache about half the size.
struct RenderedFrame
{
    QImage image;
    QPoint offset;
    qreal dpr = 1;
    QRegion shape;
    qint64 bytes() const { return image.sizeInBytes(); }
};
