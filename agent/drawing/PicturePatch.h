// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

// A picture kept as the small part in which it differs from another one of its size (the
// mouth, the eyes), put back on that other when the whole picture is wanted.
class PicturePatch
{
public:
    PicturePatch() = default;
    // The `area` of `image`, to be put back at the same place.
    PicturePatch(const QImage &image, const QRect &area);

    // Only a small part is worth keeping alone: a picture that moves as a whole stays whole.
    static bool worthKeeping(const QRect &area, const QSize &whole);

    // `base` with the part put back on it.
    QImage onto(const QImage &base) const;
    qint64 bytes() const { return m_part.sizeInBytes(); }

private:
    QImage m_part;
    QPoint m_at;
};
