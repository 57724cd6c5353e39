// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/drawing/PicturePatch.h"
#include "agent/drawing/RenderedFrame.h"

#include <QByteArray>
#include <QHash>
#include <QSet>

// The character's drawn frames, by look (CharacterFrame::look), in bounded room: the resting
// and speaking pictures always (most of them as patches of another), gesture frames while
// their room lasts, the least recently used going first.
class FrameCache
{
public:
    // `kept`: the looks never dropped; gesture frames take up to `gestureBytes` beyond them.
    FrameCache(QSet<QByteArray> kept, qint64 gestureBytes);

    bool isKept(const QByteArray &look) const { return m_keep.contains(look); }
    bool contains(const QByteArray &look) const { return m_frames.contains(look); }
    // Marks the frame as just used; false when it is not cached.
    bool use(const QByteArray &look);
    // The cached frame, whole.
    RenderedFrame frame(const QByteArray &look) const;
    void insert(const QByteArray &look, const RenderedFrame &frame);

    void clear() { m_frames.clear(); }
    // All but the kept frames.
    void dropGestures();
    // Gesture frames, least recently used first, until they fit their room; neither
    // `upcoming` nor `wanted` goes, being about to be shown.
    void dropOld(const QSet<QByteArray> &upcoming, const QByteArray &wanted);

    int count() const { return int(m_frames.size()); }
    qint64 bytes() const;

private:
    struct Cached
    {
        RenderedFrame frame; // its image is empty when the frame is kept as a patch
        quint64 lastUse = 0;
        bool kept = false;
        QByteArray base; // the kept picture the patch goes on
        PicturePatch patch;
        qint64 bytes() const { return frame.bytes() + patch.bytes(); }
    };

    void keepAsPatch(const QByteArray &look, Cached &kept);

    QHash<QByteArray, Cached> m_frames;
    QSet<QByteArray> m_keep;
    qint64 m_gestureBytes = 0;
    quint64 m_uses = 0;
};
