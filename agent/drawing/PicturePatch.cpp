// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/drawing/PicturePatch.h"

#include "agent/drawing/FrameDrawing.h"

PicturePatch::PicturePatch(const QImage &image, const QRect &area)
    : m_part(image.copy(area))
    , m_at(area.topLeft())
{
}

bool PicturePatch::worthKeeping(const QRect &area, const QSize &whole)
{
    return qint64(area.width()) * area.height() * 2 <= qint64(whole.width()) * whole.height();
}

QImage PicturePatch::onto(const QImage &base) const
{
    QImage image = base.copy();
    pastePixels(image, m_part, m_at);
    return image;
}
