// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/drawing/FrameCache.h"

#include "agent/drawing/FrameDrawing.h"

FrameCache::FrameCache(QSet<QByteArray> kept, qint64 gestureBytes)
    : m_keep(std::move(kept))
    , m_gestureBytes(gestureBytes)
{
}

bool FrameCache::use(const QByteArray &look)
{
    const auto it = m_frames.find(look);
    if (it == m_frames.end())
        return false;
    it->lastUse = ++m_uses;
    return true;
}

RenderedFrame FrameCache::frame(const QByteArray &look) const
{
    const Cached cached = m_frames.value(look);
    if (cached.base.isEmpty())
        return cached.frame;
    RenderedFrame frame = cached.frame;
    frame.image = cached.patch.onto(m_frames.value(cached.base).frame.image);
    return frame;
}

void FrameCache::insert(const QByteArray &look, const RenderedFrame &frame)
{
    Cached &c = m_frames[look];
    c.frame = frame;
    c.lastUse = ++m_uses;
    c.kept = m_keep.contains(look);
    c.base.clear();
    c.patch = PicturePatch();
    if (c.kept)
        keepAsPatch(look, c);
}

qint64 FrameCache::bytes() const
{
    qint64 total = 0;
    for (const Cached &c : m_frames)
        total += c.bytes();
    return total;
}

void FrameCache::keepAsPatch(const QByteArray &look, Cached &kept)
{
    const QImage &image = kept.frame.image;
    QByteArray base;
    QRect smallest;
    for (auto it = m_frames.cbegin(); it != m_frames.cend(); ++it) {
        const Cached &other = it.value();
        // Only on a whole picture, so that putting one back never needs another put back first.
        if (!other.kept || !other.base.isEmpty() || it.key() == look || other.frame.offset != kept.frame.offset
            || other.frame.image.size() != image.size())
            continue;
        const QRect differing = differingRect(other.frame.image, image);
        if (base.isEmpty() || qint64(differing.width()) * differing.height() < qint64(smallest.width()) * smallest.height()) {
            base = it.key();
            smallest = differing;
        }
    }
    if (base.isEmpty() || !PicturePatch::worthKeeping(smallest, image.size()))
        return;
    kept.base = base;
    kept.patch = PicturePatch(image, smallest);
    kept.frame.image = QImage();
}

void FrameCache::dropGestures()
{
    for (auto it = m_frames.begin(); it != m_frames.end();)
        it = it->kept ? std::next(it) : m_frames.erase(it);
}

void FrameCache::dropOld(const QSet<QByteArray> &upcoming, const QByteArray &wanted)
{
    qint64 gestures = 0;
    for (const Cached &c : std::as_const(m_frames))
        if (!c.kept)
            gestures += c.frame.bytes();
    while (gestures > m_gestureBytes) {
        auto oldest = m_frames.end();
        for (auto it = m_frames.begin(); it != m_frames.end(); ++it) {
            if (it->kept || upcoming.contains(it.key()) || it.key() == wanted)
                continue;
            if (oldest == m_frames.end() || it->lastUse < oldest->lastUse)
                oldest = it;
        }
        if (oldest == m_frames.end())
            return; // all of it is about to be shown
        gestures -= oldest->frame.bytes();
        m_frames.erase(oldest);
    }
}
