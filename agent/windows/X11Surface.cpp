// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/windows/X11Surface.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef TIRLINDO_X11_SHAPE
#include <QtGui/qguiapplication_platform.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#endif

#include <cstring>

namespace {

#ifdef TIRLINDO_X11_SHAPE
xcb_connection_t *x11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}
#endif

} // namespace

X11Surface::X11Surface(QWidget *window)
    : m_window(window)
{
#ifdef TIRLINDO_X11_SHAPE
    m_x11 = x11Connection() != nullptr;
#endif
}

X11Surface::~X11Surface()
{
#ifdef TIRLINDO_X11_SHAPE
    if (m_gc)
        xcb_free_gc(x11Connection(), m_gc);
#endif
}

bool X11Surface::compositorRunning() const
{
#ifdef TIRLINDO_X11_SHAPE
    if (!m_x11)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
    xcb_connection_t *c = x11Connection();
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
#else
    return false;
#endif
}

void X11Surface::setShape(const QRegion &shape, bool input)
{
#ifdef TIRLINDO_X11_SHAPE
    if (!m_x11)
        return;
    xcb_connection_t *c = x11Connection();
    const xcb_window_t window = xcb_window_t(m_window->winId());
    if (!m_backgroundCleared) {
        // Where the outline grows, the server would fill with the window's background (black)
        // until the picture arrives; with none it leaves what was on screen, like see-through.
        const uint32_t none = XCB_BACK_PIXMAP_NONE;
        xcb_change_window_attributes(c, window, XCB_CW_BACK_PIXMAP, &none);
        m_backgroundCleared = true;
    }
    QList<xcb_rectangle_t> rects;
    rects.reserve(shape.rectCount());
    for (const QRect &r : shape)
        rects.append({int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()), uint16_t(r.height())});
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, input ? XCB_SHAPE_SK_INPUT : XCB_SHAPE_SK_BOUNDING,
                         XCB_CLIP_ORDERING_YX_BANDED, window, 0, 0, uint32_t(rects.size()), rects.constData());
#else
    Q_UNUSED(shape);
    Q_UNUSED(input);
#endif
}

void X11Surface::clearShape()
{
#ifdef TIRLINDO_X11_SHAPE
    if (m_x11)
        xcb_shape_mask(x11Connection(), XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, xcb_window_t(m_window->winId()), 0, 0,
                       XCB_NONE);
#endif
}

bool X11Surface::put(const QImage &screen, const QRect &area)
{
#ifdef TIRLINDO_X11_SHAPE
    if (!m_x11 || !m_window->isVisible())
        return false;
    xcb_connection_t *c = x11Connection();
    const xcb_window_t window = xcb_window_t(m_window->winId());
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
    const QRect r = area.intersected(screen.rect());
    if (r.isEmpty())
        return true;
    const uint32_t maxBytes = xcb_get_maximum_request_length(c) * 4 - 64;
    const int rowsPerPut = std::max(1, int(maxBytes / uint32_t(r.width() * 4)));
    QByteArray rows;
    for (int top = r.top(); top <= r.bottom(); top += rowsPerPut) {
        const int n = std::min(rowsPerPut, r.bottom() + 1 - top);
        rows.resize(qsizetype(n) * r.width() * 4);
        for (int y = 0; y < n; ++y)
            memcpy(rows.data() + qsizetype(y) * r.width() * 4, screen.constScanLine(top + y) + r.left() * 4,
                   size_t(r.width()) * 4);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, m_gc, uint16_t(r.width()), uint16_t(n), int16_t(r.left()),
                      int16_t(top), 0, uint8_t(m_windowDepth), uint32_t(rows.size()),
                      reinterpret_cast<const uint8_t *>(rows.constData()));
    }
    return true;
#else
    Q_UNUSED(screen);
    Q_UNUSED(area);
    return false;
#endif
}

void X11Surface::flush()
{
#ifdef TIRLINDO_X11_SHAPE
    if (m_x11)
        xcb_flush(x11Connection());
#endif
}
