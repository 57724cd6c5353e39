// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/windows/CharacterWindow.h"
#include "agent/windows/WindowStacking.h"

#include <QPainter>
#include <QThread>
#include <cmath>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// The outline grown by one device pixel on every side: the half-transparent edge pixels that
// the half-opaque outline leaves out.
QRegion withRim(const QRegion &shape)
{
    QRegion grown = shape;
    for (const QPoint &step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
        grown += shape.translated(step);
    return grown;
}

// The resting and speaking pictures, never dropped from the cache.
QSet<QByteArray> keptLooks(const CharacterFile &character)
{
    QSet<QByteArray> looks;
    for (const QString &role : {character.idleAnimation, character.speakAnimation})
        for (const CharacterFrame &f : character.animation(role)->frames)
            looks.insert(f.look);
    return looks;
}

} // namespace

CharacterWindow::CharacterWindow(const CharacterFile &character, WindowStacking &windows)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool
                           | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
    , m_character(character)
    , m_thread(new QThread(this))
    , m_drawer(new QObject)
    , m_cache(keptLooks(character), kGestureCacheBytes)
    , m_surface(this)
{
    // The child is typing in the game's window: showing the wizard must not take the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    // Window managers (XWayland's among them) would place the window where they like and
    // may ignore its shape: it is placed by the game itself, see-through where a compositor
    // runs and cut out by its shape where none does.
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(character.displayName);
    m_thread->setObjectName(QStringLiteral("character frames"));
    m_drawer->moveToThread(m_thread);
    m_thread->start(QThread::LowPriority);
    setCharacterHeight(character.defaultHeight);
    windows.adopt(this);
}

CharacterWindow::~CharacterWindow()
{
    m_thread->quit();
    m_thread->wait();
    delete m_drawer;
}

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
    ++m_generation;
    m_cache.clear();
    m_pending.clear();
    m_shownLook.clear();
    setFixedSize(logicalSize(pixels));
}

bool CharacterWindow::checkScreen()
{
    const bool compositing = m_surface.compositorRunning();
    const qreal dpr = devicePixelRatioF();
    if (qFuzzyCompare(dpr, m_dpr) && compositing == m_compositing)
        return false;
    m_dpr = dpr;
    m_compositing = compositing;
    ++m_generation;
    m_cache.clear();
    m_pending.clear();
    m_shownLook.clear();
    if (m_surface.available() && compositing && !m_shownShape.isEmpty()) {
        // Blended by the compositor now: no cut outline, only clicks pass through the clear parts.
        m_surface.clearShape();
        m_shownShape = QRegion();
    }
    return true;
}

QImage CharacterWindow::renderFrame(const CharacterFrame &frame, int height, qreal dpr) const
{
    if (!m_uiDrawings)
        m_uiDrawings = std::make_unique<PartDrawings>(m_character.partFiles);
    return drawFrame(frame, *m_uiDrawings, m_character.canvas, logicalSize(height), dpr);
}

void CharacterWindow::showFrame(const CharacterAnimation &animation, int index)
{
    if (index == 0 || m_dpr == 0)
        checkScreen();
    m_wantedAnimation = &animation;
    m_wantedIndex = index;
    m_wanted = animation.frames.at(index).look;

    const bool kept = m_cache.isKept(m_wanted);
    // At rest the gesture's frames go: the memory is the child's, and a gesture is drawn
    // ahead again the next time it plays.
    if (kept)
        dropGestureFrames();
    const int last = kept ? int(animation.frames.size()) - 1
                          : std::min(int(animation.frames.size()) - 1, index + kDrawAhead);
    m_upcoming.clear();
    for (int i = index; i <= last; ++i) {
        request(animation, i);
        m_upcoming.insert(animation.frames.at(i).look);
    }

    if (!m_cache.use(m_wanted))
        return; // on screen when drawn
    if (m_wanted != m_shownLook) {
        m_shownLook = m_wanted;
        present(m_cache.frame(m_wanted));
    }
}

void CharacterWindow::request(const CharacterAnimation &animation, int index)
{
    const CharacterFrame &frame = animation.frames.at(index);
    if (m_cache.contains(frame.look) || m_pending.contains(frame.look))
        return;
    m_pending.insert(frame.look);
    if (!m_drawings)
        m_drawings = std::make_shared<PartDrawings>(m_character.partFiles);
    const auto drawings = m_drawings;
    const QSize canvas = m_character.canvas;
    const QSize logical = logicalSize(m_height);
    const qreal dpr = m_dpr;
    const bool compositing = m_compositing;
    const quint64 generation = m_generation;
    CharacterWindow *self = this;
    QMetaObject::invokeMethod(
        m_drawer,
        [=] {
            RenderedFrame rendered = finishFrame(drawFrame(frame, *drawings, canvas, logical, dpr), compositing);
            QMetaObject::invokeMethod(
                self, [self, generation, look = frame.look, rendered] { self->onRendered(generation, look, rendered); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void CharacterWindow::onRendered(quint64 generation, const QByteArray &look, RenderedFrame frame)
{
    if (generation != m_generation)
        return;
    m_pending.remove(look);
    if (!m_cache.isKept(look) && m_cache.isKept(m_wanted) && look != m_wanted)
        return; // drawn ahead for a gesture that has already ended
    m_cache.insert(look, frame);
    if (look == m_wanted && look != m_shownLook) {
        m_shownLook = look;
        present(frame);
    }
    m_cache.dropOld(m_upcoming, m_wanted);
}

void CharacterWindow::dropGestureFrames()
{
    m_cache.dropGestures();
    // The parsed drawings of every part (a megabyte) too, once nothing is being drawn: the
    // next gesture reads them again in a few milliseconds, well ahead of its frames.
    // Let go on the drawing thread, where they were parsed and used.
    if (m_pending.isEmpty() && m_drawings)
        QMetaObject::invokeMethod(
            m_drawer,
            [drawings = std::move(m_drawings)]() mutable {
                drawings.reset();
#ifdef __GLIBC__
                // What they and the gesture's frames held lies scattered in the heap: handed
                // back to the system, not kept for a next gesture that may be minutes away.
                malloc_trim(0);
#endif
            },
            Qt::QueuedConnection);
}

void CharacterWindow::compose(const RenderedFrame &frame, bool keepOutside)
{
    const QSize size(int(std::lround(width() * frame.dpr)), int(std::lround(height() * frame.dpr)));
    if (!keepOutside || m_screen.size() != size) {
        m_screen = QImage(size, QImage::Format_ARGB32_Premultiplied);
        m_screen.fill(Qt::transparent);
    }
    m_screen.setDevicePixelRatio(1);
    QPainter p(&m_screen);
    // Kept outside: the picture is all clear or all opaque there (edges made opaque), so
    // drawing it over the frame before replaces exactly its own shape and keeps the rest.
    if (!keepOutside) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(m_screen.rect(), Qt::transparent);
    }
    QImage picture = frame.image;
    picture.setDevicePixelRatio(1);
    p.drawImage(frame.offset, picture);
    p.end();
    m_screen.setDevicePixelRatio(frame.dpr);
}

void CharacterWindow::present(const RenderedFrame &frame)
{
    m_shown = frame;
    if (m_surface.available()) {
        if (m_compositing) {
            compose(frame, false);
            if (isVisible())
                repaint();
            // The outline takes in the soft rim, which the compositor blends; outside it the
            // window is no window at all, for the pointer, the stacking and any shadow.
            m_surface.setShape(withRim(frame.shape), false);
            m_surface.setShape(frame.shape, true);
        } else {
            // Picture and outline change together: the outline grows to take in both, the new
            // picture is drawn inside its own outline (the old one stays outside it, so no pixel
            // ever shows anything but the one frame or the other), the outline shrinks to the new.
            compose(frame, true);
            m_surface.setShape(m_shownShape.united(frame.shape), false);
            // Sent straight after the outline, in the same batch: Qt's own flush comes later
            // (and again on exposure) with the same pixels.
            // What the outline has just taken in goes first: it shows nothing good until drawn.
            // Resting and speaking pictures barely change the outline: Qt's own drawing, sent
            // right away, is enough there and costs half as much while the child thinks.
            const bool put = !m_cache.isKept(m_shownLook)
                             && m_surface.put(m_screen, frame.shape.subtracted(m_shownShape).boundingRect())
                             && m_surface.put(m_screen, frame.shape.boundingRect());
            if (put)
                update();
            else if (isVisible())
                repaint();
            m_surface.setShape(frame.shape, false);
        }
        m_shownShape = frame.shape;
        m_surface.flush();
    } else {
        compose(frame, false);
        setMask(logicalShape(frame.shape, frame.dpr));
        update();
    }
    if (m_showWhenDrawn) {
        m_showWhenDrawn = false;
        QWidget::setVisible(true);
    }
    Q_EMIT framePresented(m_wantedAnimation ? m_wantedAnimation->name : QString(), m_wantedIndex);
}

void CharacterWindow::setVisible(bool visible)
{
    if (visible && !isVisible() && m_shownLook != m_wanted) {
        m_showWhenDrawn = true;
        return;
    }
    m_showWhenDrawn = false;
    QWidget::setVisible(visible);
}

void CharacterWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // Source, not SourceOver: the window has no background, and blending would keep
    // pixels of the frame before.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.drawImage(0, 0, m_screen);
}
