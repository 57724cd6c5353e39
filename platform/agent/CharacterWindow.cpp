// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/agent/CharacterWindow.h"
#include "platform/agent/FloatingWindows.h"

#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

CharacterWindow::CharacterWindow(const CharacterFile &character)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool
                           | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
    , m_character(character)
{
    // The child is typing in the game's window: showing the wizard must not take the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    // Window managers (XWayland's among them) would place the window where they like and
    // may ignore its shape: it is placed by the game itself, see-through where a compositor
    // runs and cut out by its mask where none does.
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(character.displayName);
    for (auto it = character.partFiles.constBegin(); it != character.partFiles.constEnd(); ++it)
        m_parts.insert(it.key(), std::make_shared<QSvgRenderer>(it.value()));
    setCharacterHeight(character.defaultHeight);
    FloatingWindows::adopt(this);
}

CharacterWindow::~CharacterWindow() = default;

QSize CharacterWindow::logicalSize(int height) const
{
    const QSize canvas = m_character.canvas;
    return QSize(int(std::lround(double(height) * canvas.width() / canvas.height())), height);
}

void CharacterWindow::setCharacterHeight(int pixels)
{
    if (pixels == m_height)
        return;
    m_height = pixels;
    m_cache.clear();
    setFixedSize(logicalSize(pixels));
}

QImage CharacterWindow::renderFrame(const CharacterFrame &frame, int height, qreal dpr) const
{
    const QSize size = logicalSize(height);
    QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const double scale = double(height) / m_character.canvas.height();
    const QRectF target(0, frame.dy * scale, size.width(), size.height());
    for (const QString &part : frame.parts)
        m_parts.value(part)->render(&p, target);
    return image;
}

void CharacterWindow::showFrame(const CharacterAnimation &animation, int index)
{
    const qreal dpr = devicePixelRatioF();
    if (!qFuzzyCompare(dpr, m_cacheDpr)) {
        m_cache.clear();
        m_cacheDpr = dpr;
    }
    const QString key = animation.name + QLatin1Char('#') + QString::number(index);
    Rendered shown;
    if (const Rendered *cached = m_cache.object(key)) {
        shown = *cached;
    } else {
        const CharacterFrame &frame = animation.frames.at(index);
        const QImage image = renderFrame(frame, m_height, dpr);
        shown.pixmap = QPixmap::fromImage(image);
        // The mask is in logical pixels; a 1-bit cut of the alpha keeps the edge crisp.
        const QImage shape = dpr == 1.0 ? image : renderFrame(frame, m_height, 1.0);
        shown.mask = QBitmap::fromImage(shape.createAlphaMask(Qt::ThresholdAlphaDither | Qt::ThresholdDither));
        m_cache.insert(key, new Rendered(shown));
    }
    m_current = shown.pixmap;
    setMask(shown.mask);
    update();
}

void CharacterWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // Source, not SourceOver: the window has no background, and blending would keep
    // pixels of the frame before.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawPixmap(0, 0, m_current);
}
