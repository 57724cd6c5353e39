// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/drawing/FrameDrawing.h"

#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int kHalfOpaque = 128;
}

QImage drawFrame(const CharacterFrame &frame, PartDrawings &parts, QSize canvas, QSize logical, qreal dpr)
{
    QImage image(logical * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(double(logical.width()) / canvas.width(), double(logical.height()) / canvas.height());
    p.translate(0, frame.dy);
    const QRectF whole(QPointF(0, 0), QSizeF(canvas));
    for (const CharacterPart &part : frame.parts) {
        p.save();
        p.setTransform(part.transform, true);
        parts.drawing(part.name)->render(&p, whole);
        p.restore();
    }
    return image;
}

QRegion shapeOf(const QImage &image)
{
    Q_ASSERT(image.format() == QImage::Format_ARGB32_Premultiplied);
    // One band of rectangles per run of equal rows: the y-x banded order QRegion::setRects wants.
    QList<QRect> rects;
    QList<QPair<int, int>> runs, previous;
    int bandTop = 0;
    const auto closeBand = [&](int bottom) {
        for (const auto &[x0, x1] : previous)
            rects.append(QRect(QPoint(x0, bandTop), QPoint(x1, bottom)));
    };
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        runs.clear();
        for (int x = 0; x < image.width();) {
            if (qAlpha(line[x]) < kHalfOpaque) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.width() && qAlpha(line[x]) >= kHalfOpaque)
                ++x;
            runs.append({start, x - 1});
        }
        if (runs != previous) {
            closeBand(y - 1);
            previous = runs;
            bandTop = y;
        }
    }
    closeBand(image.height() - 1);
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

void makeEdgesOpaque(QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(line[x]);
            if (a == 255)
                continue;
            line[x] = a < kHalfOpaque ? 0 : qUnpremultiply(line[x]) | 0xff000000u;
        }
    }
}

namespace {
// The smallest rectangle holding every pixel that is not fully clear.
QRect coveredRect(const QImage &image)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}
} // namespace

QRect differingRect(const QImage &a, const QImage &b)
{
    Q_ASSERT(a.size() == b.size() && a.depth() == 32 && b.depth() == 32);
    int left = a.width(), right = -1, top = a.height(), bottom = -1;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        if (std::equal(p, p + a.width(), q))
            continue;
        int x0 = 0;
        while (p[x0] == q[x0])
            ++x0;
        int x1 = a.width() - 1;
        while (p[x1] == q[x1])
            --x1;
        left = std::min(left, x0);
        right = std::max(right, x1);
        top = std::min(top, y);
        bottom = y;
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

void pastePixels(QImage &onto, const QImage &part, QPoint at)
{
    Q_ASSERT(onto.depth() == 32 && part.depth() == 32 && QRect(QPoint(), onto.size()).contains(QRect(at, part.size())));
    for (int y = 0; y < part.height(); ++y)
        std::memcpy(onto.scanLine(at.y() + y) + qsizetype(at.x()) * 4, part.constScanLine(y), size_t(part.width()) * 4);
}

RenderedFrame finishFrame(QImage image, bool compositing)
{
    RenderedFrame frame;
    frame.shape = shapeOf(image);
    if (!compositing)
        makeEdgesOpaque(image);
    const QRect covered = coveredRect(image);
    frame.offset = covered.topLeft();
    frame.dpr = image.devicePixelRatio();
    frame.image = covered.isEmpty() ? QImage() : image.copy(covered);
    frame.image.setDevicePixelRatio(frame.dpr);
    return frame;
}

QRegion logicalShape(const QRegion &shape, qreal dpr)
{
    if (dpr == 1.0)
        return shape;
    QList<QRect> rects;
    for (const QRect &r : shape)
        rects.append(QRect(QPoint(int(std::floor(r.left() / dpr)), int(std::floor(r.top() / dpr))),
                           QPoint(int(std::ceil((r.right() + 1) / dpr)) - 1, int(std::ceil((r.bottom() + 1) / dpr)) - 1)));
    QRegion region;
    for (const QRect &r : rects)
        region += r;
    return region;
}
