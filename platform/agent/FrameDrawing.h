// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/agent/CharacterFile.h"

#include <QHash>
#include <QImage>
#include <QRegion>
#include <memory>

class QSvgRenderer;

// The SVG drawings of a character's parts, each parsed the first time it is drawn. One set per
// thread: a QSvgRenderer must not be shared between threads.
class PartDrawings
{
public:
    explicit PartDrawings(QHash<QString, QString> files);
    ~PartDrawings();
    QSvgRenderer *drawing(const QString &part);

private:
    QHash<QString, QString> m_files;
    QHash<QString, std::shared_ptr<QSvgRenderer>> m_parsed;
};

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
