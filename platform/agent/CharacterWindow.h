// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/agent/CharacterFile.h"

#include <QBitmap>
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
    int cachedFrameCount() const { return int(m_cache.size()); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Rendered
    {
        QPixmap pixmap;
        QBitmap mask;
    };

    QSize logicalSize(int height) const;

    const CharacterFile &m_character;
    QHash<QString, std::shared_ptr<QSvgRenderer>> m_parts;
    QHash<QString, Rendered> m_cache; // "animation#frame" at m_cacheDpr and the current height
    qreal m_cacheDpr = 0;
    QPixmap m_current;
    int m_height = 0;
};
