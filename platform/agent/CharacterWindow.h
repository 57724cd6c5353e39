// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/agent/CharacterFile.h"

#include <QBitmap>
#include <QCache>
#include <QHash>
#include <QPixmap>
#include <QWidget>
#include <memory>

class QSvgRenderer;

// The character's own floating window: frameless, above the others, and cut to the shape of
// the current frame, since school PCs often run without a compositor that could blend it.
class CharacterWindow : public QWidget
{
    Q_OBJECT
public:
    explicit CharacterWindow(const CharacterFile &character);
    ~CharacterWindow() override;

    void setCharacterHeight(int pixels);
    void showFrame(const CharacterAnimation &animation, int index);

    // A frame as drawn, at the given logical height and device pixel ratio.
    QImage renderFrame(const CharacterFrame &frame, int height, qreal dpr) const;
    int cachedFrameCount() const { return int(m_cache.count()); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Room for the idle loop and the speaking mouths, which come back all the time; other
    // frames are drawn again when their animation comes round.
    static constexpr int kCachedFrames = 14;
    struct Rendered
    {
        QPixmap pixmap;
        QBitmap mask;
    };

    QSize logicalSize(int height) const;

    const CharacterFile &m_character;
    QHash<QString, std::shared_ptr<QSvgRenderer>> m_parts;
    // "animation#frame" at m_cacheDpr and the current height; the least recently shown go
    // first, so the memory stays that of kCachedFrames frames however long the game.
    QCache<QString, Rendered> m_cache{kCachedFrames};
    qreal m_cacheDpr = 0;
    QPixmap m_current;
    int m_height = 0;
};
