// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/CharacterFile.h"
#include "agent/drawing/FrameCache.h"
#include "agent/drawing/FrameDrawing.h"
#include "agent/windows/X11Surface.h"

#include <QSet>
#include <QWidget>
#include <memory>

class WindowStacking;
class QThread;

// The character's own floating window: frameless, above the others, and cut to the shape of
// the current frame at device pixels. Under a compositor its rim is blended with true
// transparency; without one (many school PCs) it is cut by the shape and the rim drawn opaque.
// Frames are drawn on a thread of their own, a little ahead of playback, and kept in a cache
// of bounded size: the resting and speaking pictures always, gestures while room is left.
class CharacterWindow : public QWidget
{
    Q_OBJECT
public:
    // Room for gesture frames beyond the resting and speaking ones.
    static constexpr qint64 kGestureCacheBytes = 4 * 1024 * 1024;
    // Frames drawn ahead of the one on screen: half a second of a gesture.
    static constexpr int kDrawAhead = 12;

    // Placed among the desktop's windows by `windows`, which outlives it.
    CharacterWindow(const CharacterFile &character, WindowStacking &windows);
    ~CharacterWindow() override;

    void setCharacterHeight(int pixels);
    // Puts the frame on screen as soon as it is drawn (at once when cached).
    void showFrame(const CharacterAnimation &animation, int index);

    // A frame as drawn, at the given logical height and device pixel ratio (tools, tests).
    QImage renderFrame(const CharacterFrame &frame, int height, qreal dpr) const;
    int cachedFrameCount() const { return m_cache.count(); }
    qint64 cachedBytes() const { return m_cache.bytes(); }
    // Frames asked of the drawing thread and not back yet.
    int framesBeingDrawn() const { return int(m_pending.size()); }
    bool compositing() const { return m_compositing; }
    // What is on screen now, at device pixels.
    const RenderedFrame &presented() const { return m_shown; }

Q_SIGNALS:
    void framePresented(const QString &animation, int frame);

public:
    // Shown only once the wanted frame is drawn: never a stale picture, even for a moment.
    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSize logicalSize(int height) const;
    bool checkScreen();
    void request(const CharacterAnimation &animation, int index);
    void onRendered(quint64 generation, const QByteArray &look, RenderedFrame frame);
    void present(const RenderedFrame &frame);
    void compose(const RenderedFrame &frame, bool keepOutside);
    void dropGestureFrames();

    const CharacterFile &m_character;
    mutable std::unique_ptr<PartDrawings> m_uiDrawings; // for renderFrame only
    std::shared_ptr<PartDrawings> m_drawings;           // parsed and used on m_thread only
    QThread *m_thread = nullptr;
    QObject *m_drawer = nullptr; // lives on m_thread
    FrameCache m_cache;
    QSet<QByteArray> m_pending;
    quint64 m_generation = 0;
    qreal m_dpr = 0;
    bool m_compositing = false;
    X11Surface m_surface;
    int m_height = 0;

    const CharacterAnimation *m_wantedAnimation = nullptr;
    int m_wantedIndex = 0;
    QByteArray m_wanted;
    QByteArray m_shownLook;
    bool m_showWhenDrawn = false;
    QSet<QByteArray> m_upcoming; // frames of the playing gesture not yet shown
    RenderedFrame m_shown;
    QImage m_screen; // what the window paints, the whole window at device pixels
    QRegion m_shownShape; // device pixels, as set on the native window
};
