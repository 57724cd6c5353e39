// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/windows/CharacterWindow.h"
#include "agent/windows/FloatingWindows.h"

#include <QGuiApplication>
#include <QPainter>
#include <QThread>
#include <cmath>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifdef TIRLINDO_X11_SHAPE
#include <QtGui/qguiapplication_platform.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#endif

namespace {

#ifdef TIRLINDO_X11_SHAPE
xcb_connection_t *x11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
bool compositorRunning(xcb_connection_t *c)
{
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    const QByteArray screen = dot > display.lastIndexOf(':') ? display.mid(dot + 1) : QByteArray("0");
    const QByteArray name = "_NET_WM_CM_S" + screen;
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    const bool running = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return running;
}

// The outline grown by one device pixel on every side: the half-transparent edge pixels that
// the half-opaque outline leaves out.
QRegion withRim(const QRegion &shape)
{
    QRegion grown = shape;
    for (const QPoint &step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
        grown += shape.translated(step);
    return grown;
}
#endif

} // namespace

CharacterWindow::CharacterWindow(const CharacterFile &character)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool
                           | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
    , m_character(character)
    , m_thread(new QThread(this))
    , m_drawer(new QObject)
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
#ifdef TIRLINDO_X11_SHAPE
    m_x11 = x11Connection() != nullptr;
#endif
    for (const QString &role : {character.idleAnimation, character.speakAnimation})
        for (const CharacterFrame &f : character.animation(role)->frames)
            m_keep.insert(f.look);
    m_thread->setObjectName(QStringLiteral("character frames"));
    m_drawer->moveToThread(m_thread);
    m_thread->start(QThread::LowPriority);
    setCharacterHeight(character.defaultHeight);
    FloatingWindows::adopt(this);
}

CharacterWindow::~CharacterWindow()
{
#ifdef TIRLINDO_X11_SHAPE
    if (m_gc)
        xcb_free_gc(x11Connection(), m_gc);
#endif
    m_thread->quit();
    m_thread->wait();
    delete m_drawer;
}

QSize CharacterWindow::logicalSize(int height) const
{
    const QSize canvas = m_character.canvas;
    return QSize(int(std::lround(double(height) * canvas.width() / canvas.height())), height);
}

qint64 CharacterWindow::cachedBytes() const
{
    qint64 total = 0;
    for (const Cached &c : m_cache)
        total += c.bytes();
    return total;
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
    bool compositing = false;
#ifdef TIRLINDO_X11_SHAPE
    if (m_x11)
        compositing = compositorRunning(x11Connection());
#endif
    const qreal dpr = devicePixelRatioF();
    if (qFuzzyCompare(dpr, m_dpr) && compositing == m_compositing)
        return false;
    m_dpr = dpr;
    m_compositing = compositing;
    ++m_generation;
    m_cache.clear();
    m_pending.clear();
    m_shownLook.clear();
#ifdef TIRLINDO_X11_SHAPE
    if (m_x11 && compositing && !m_shownShape.isEmpty()) {
        // Blended by the compositor now: no cut outline, only clicks pass through the clear parts.
        xcb_connection_t *c = x11Connection();
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, xcb_window_t(winId()), 0, 0, XCB_NONE);
        m_shownShape = QRegion();
    }
#endif
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

    const bool kept = m_keep.contains(m_wanted);
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

    const auto it = m_cache.find(m_wanted);
    if (it == m_cache.end())
        return; // on screen when drawn
    it->lastUse = ++m_uses;
    if (m_wanted != m_shownLook) {
        m_shownLook = m_wanted;
        present(whole(*it));
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
    const bool kept = m_keep.contains(look);
    if (!kept && m_keep.contains(m_wanted) && look != m_wanted)
        return; // drawn ahead for a gesture that has already ended
    Cached &c = m_cache[look];
    c.frame = std::move(frame);
    c.lastUse = ++m_uses;
    c.kept = kept;
    if (look == m_wanted && look != m_shownLook) {
        m_shownLook = look;
        present(c.frame);
    }
    if (kept)
        keepAsPatch(look, c);
    dropOldFrames();
}

void CharacterWindow::keepAsPatch(const QByteArray &look, Cached &kept)
{
    const QImage &image = kept.frame.image;
    QByteArray base;
    QRect smallest;
    for (auto it = m_cache.cbegin(); it != m_cache.cend(); ++it) {
        const Cached &other = it.value();
        if (!other.kept || !other.base.isEmpty() || it.key() == look || other.frame.offset != kept.frame.offset
            || other.frame.image.size() != image.size())
            continue;
        const QRect differing = differingRect(other.frame.image, image);
        if (base.isEmpty() || qint64(differing.width()) * differing.height() < qint64(smallest.width()) * smallest.height()) {
            base = it.key();
            smallest = differing;
        }
    }
    // Worth it only when the part is small: a picture that moves as a whole stays whole.
    if (base.isEmpty() || qint64(smallest.width()) * smallest.height() * 2 > qint64(image.width()) * image.height())
        return;
    kept.base = base;
    kept.patch = image.copy(smallest);
    kept.patchAt = smallest.topLeft();
    kept.frame.image = QImage();
}

RenderedFrame CharacterWindow::whole(const Cached &cached) const
{
    if (cached.base.isEmpty())
        return cached.frame;
    RenderedFrame frame = cached.frame;
    frame.image = m_cache.value(cached.base).frame.image.copy();
    pastePixels(frame.image, cached.patch, cached.patchAt);
    return frame;
}

void CharacterWindow::dropGestureFrames()
{
    for (auto it = m_cache.begin(); it != m_cache.end();)
        it = it->kept ? std::next(it) : m_cache.erase(it);
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

void CharacterWindow::dropOldFrames()
{
    qint64 gestures = 0;
    for (const Cached &c : std::as_const(m_cache))
        if (!c.kept)
            gestures += c.frame.bytes();
    while (gestures > kGestureCacheBytes) {
        auto oldest = m_cache.end();
        for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
            if (it->kept || m_upcoming.contains(it.key()) || it.key() == m_wanted)
                continue;
            if (oldest == m_cache.end() || it->lastUse < oldest->lastUse)
                oldest = it;
        }
        if (oldest == m_cache.end())
            return; // all of it is about to be shown
        gestures -= oldest->frame.bytes();
        m_cache.erase(oldest);
    }
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
#ifdef TIRLINDO_X11_SHAPE
    if (m_x11) {
        xcb_connection_t *c = x11Connection();
        if (m_compositing) {
            compose(frame, false);
            if (isVisible())
                repaint();
            // The outline takes in the soft rim, which the compositor blends; outside it the
            // window is no window at all, for the pointer, the stacking and any shadow.
            setNativeShape(withRim(frame.shape), false);
            setNativeShape(frame.shape, true);
        } else {
            // Picture and outline change together: the outline grows to take in both, the new
            // picture is drawn inside its own outline (the old one stays outside it, so no pixel
            // ever shows anything but the one frame or the other), the outline shrinks to the new.
            compose(frame, true);
            setNativeShape(m_shownShape.united(frame.shape), false);
            // Sent straight after the outline, in the same batch: Qt's own flush comes later
            // (and again on exposure) with the same pixels.
            // What the outline has just taken in goes first: it shows nothing good until drawn.
            // Resting and speaking pictures barely change the outline: Qt's own drawing, sent
            // right away, is enough there and costs half as much while the child thinks.
            const bool put = !m_keep.contains(m_shownLook)
                             && putScreen(frame.shape.subtracted(m_shownShape).boundingRect())
                             && putScreen(frame.shape.boundingRect());
            if (put)
                update();
            else if (isVisible())
                repaint();
            setNativeShape(frame.shape, false);
        }
        m_shownShape = frame.shape;
        xcb_flush(c);
    } else
#endif
    {
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

bool CharacterWindow::putScreen(const QRect &area)
{
#ifdef TIRLINDO_X11_SHAPE
    if (!isVisible())
        return false;
    xcb_connection_t *c = x11Connection();
    const xcb_window_t window = xcb_window_t(winId());
    if (m_windowDepth == 0) {
        xcb_get_geometry_reply_t *g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        m_windowDepth = g ? g->depth : -1;
        free(g);
        if (m_windowDepth == 24 || m_windowDepth == 32) {
            m_gc = xcb_generate_id(c);
            xcb_create_gc(c, m_gc, window, 0, nullptr);
        }
    }
    // 32-bit pixels as the image holds them: the usual little-endian TrueColor layout.
    if ((m_windowDepth != 24 && m_windowDepth != 32) || QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        return false;
    const QRect r = area.intersected(m_screen.rect());
    if (r.isEmpty())
        return true;
    const uint32_t maxBytes = xcb_get_maximum_request_length(c) * 4 - 64;
    const int rowsPerPut = std::max(1, int(maxBytes / uint32_t(r.width() * 4)));
    QByteArray rows;
    for (int top = r.top(); top <= r.bottom(); top += rowsPerPut) {
        const int n = std::min(rowsPerPut, r.bottom() + 1 - top);
        rows.resize(qsizetype(n) * r.width() * 4);
        for (int y = 0; y < n; ++y)
            memcpy(rows.data() + qsizetype(y) * r.width() * 4, m_screen.constScanLine(top + y) + r.left() * 4,
                   size_t(r.width()) * 4);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, m_gc, uint16_t(r.width()), uint16_t(n), int16_t(r.left()),
                      int16_t(top), 0, uint8_t(m_windowDepth), uint32_t(rows.size()),
                      reinterpret_cast<const uint8_t *>(rows.constData()));
    }
    return true;
#else
    Q_UNUSED(area);
    return false;
#endif
}

void CharacterWindow::setNativeShape(const QRegion &shape, bool input)
{
#ifdef TIRLINDO_X11_SHAPE
    if (!m_backgroundCleared) {
        // Where the outline grows, the server would fill with the window's background (black)
        // until the picture arrives; with none it leaves what was on screen, like see-through.
        const uint32_t none = XCB_BACK_PIXMAP_NONE;
        xcb_change_window_attributes(x11Connection(), xcb_window_t(winId()), XCB_CW_BACK_PIXMAP, &none);
        m_backgroundCleared = true;
    }
    QList<xcb_rectangle_t> rects;
    rects.reserve(shape.rectCount());
    for (const QRect &r : shape)
        rects.append({int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()), uint16_t(r.height())});
    xcb_shape_rectangles(x11Connection(), XCB_SHAPE_SO_SET, input ? XCB_SHAPE_SK_INPUT : XCB_SHAPE_SK_BOUNDING,
                         XCB_CLIP_ORDERING_YX_BANDED, xcb_window_t(winId()), 0, 0, uint32_t(rects.size()),
                         rects.constData());
#else
    Q_UNUSED(shape);
    Q_UNUSED(input);
#endif
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
