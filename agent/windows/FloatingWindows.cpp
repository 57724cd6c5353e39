// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/windows/FloatingWindows.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>

namespace {

xcb_connection_t *x11()
{
    const auto *app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

xcb_window_t nativeWindow(const QWidget *window)
{
    if (!window || !window->testAttribute(Qt::WA_WState_Created))
        return XCB_NONE;
    return xcb_window_t(window->internalWinId());
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_NONE);
    std::free(reply);
    return a;
}

// The child of the root that holds window: the window manager's frame around it, or the
// window itself where no window manager reparents it.
xcb_window_t outermost(xcb_connection_t *c, xcb_window_t window)
{
    for (int depth = 0; depth < 16 && window != XCB_NONE; ++depth) {
        xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        if (!tree)
            return XCB_NONE;
        const xcb_window_t parent = tree->parent;
        const xcb_window_t root = tree->root;
        std::free(tree);
        if (parent == root || parent == XCB_NONE)
            return window;
        window = parent;
    }
    return XCB_NONE;
}

// Errors are checked here rather than left to Qt's log: the game window's frame may go away
// between the query and the request, and that is no fault worth a line.
bool stackAbove(xcb_connection_t *c, xcb_window_t window, xcb_window_t sibling)
{
    const std::array<uint32_t, 2> values{sibling, XCB_STACK_MODE_ABOVE};
    const xcb_void_cookie_t cookie = xcb_configure_window_checked(
        c, window, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values.data());
    xcb_generic_error_t *error = xcb_request_check(c, cookie);
    std::free(error);
    return error == nullptr;
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

FloatingWindows::FloatingWindows()
{
    m_remap.setSingleShot(true);
    m_remap.setInterval(120);
    connect(&m_remap, &QTimer::timeout, this, &FloatingWindows::remapMoved);
    m_check.setSingleShot(true);
    m_check.setInterval(250);
    connect(&m_check, &QTimer::timeout, this, &FloatingWindows::checkStacking);
}

FloatingWindows::~FloatingWindows()
{
    // The game's window lives on after the component.
    if (m_game)
        m_game->removeEventFilter(this);
    if (m_watching)
        qGuiApp->removeNativeEventFilter(this);
}

void FloatingWindows::adopt(QWidget *window)
{
    m_windows.removeAll(nullptr);
    m_windows.append(window);
    window->installEventFilter(this);
    markUnshadowed(window);
    attachToGame(window);
}

void FloatingWindows::followGame(QWidget *game)
{
    if (m_game == game)
        return;
    if (m_game)
        m_game->removeEventFilter(this);
    m_game = game;
    if (game)
        game->installEventFilter(this);
    watchRestacking();
    if (!m_watchingState) {
        m_watchingState = true;
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            // Without a window manager the game may never be told it is active.
            m_wasActive = m_wasActive || state == Qt::ApplicationActive;
            updateAway();
        });
    }
    for (const QPointer<QWidget> &window : std::as_const(m_windows))
        attachToGame(window);
    updateAway();
}

bool FloatingWindows::gameAway() const
{
    const QWidget *game = m_game;
    return game && (!game->isVisible() || game->isMinimized());
}

void FloatingWindows::show(QWidget *window)
{
    window->show();
    xcb_connection_t *c = x11();
    if (m_away && c) {
        // Mapped and unmapped in one go: nothing is drawn, and Qt still counts it shown, so
        // it comes back with the game.
        xcb_unmap_window(c, nativeWindow(window));
        xcb_flush(c);
        return;
    }
    restack();
}

void FloatingWindows::restack()
{
    xcb_connection_t *c = x11();
    const xcb_window_t game = c && m_game ? nativeWindow(m_game) : xcb_window_t(XCB_NONE);
    xcb_window_t below = game != XCB_NONE ? outermost(c, game) : xcb_window_t(XCB_NONE);
    m_gameFrame = below;
    m_placedAbove.clear();
    for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
        if (!window || !window->isVisible())
            continue;
        const xcb_window_t id = nativeWindow(window);
        if (below == XCB_NONE || id == XCB_NONE || !stackAbove(c, id, below)) {
            // No game to follow (tools, tests) or no X11: simply in front.
            window->raise();
            continue;
        }
        m_placedAbove.insert(id, below);
        below = id;
    }
    if (c)
        xcb_flush(c);
    if (!m_placedAbove.isEmpty())
        m_check.start();
}

void FloatingWindows::checkStacking()
{
    // A window manager opening a box restacks in several steps, and one of them can come in
    // after the notice that set the wizard in place: under the game, he would stay unseen.
    xcb_connection_t *c = x11();
    if (!c || m_away || m_gameFrame == 0 || m_placedAbove.isEmpty())
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return;
    // Bottom first.
    const xcb_window_t *children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    int gameAt = -1;
    bool ourBelow = false;
    for (int i = 0; i < count; ++i) {
        if (children[i] == m_gameFrame)
            gameAt = i;
        else if (gameAt < 0 && m_placedAbove.contains(children[i]))
            ourBelow = true;
    }
    std::free(tree);
    if (gameAt >= 0 && ourBelow && ++m_corrections <= 3)
        restack();
    else if (!ourBelow)
        m_corrections = 0;
}

void FloatingWindows::markUnshadowed(QWidget *window)
{
    xcb_connection_t *c = x11();
    const xcb_window_t id = nativeWindow(window);
    if (!c || id == XCB_NONE)
        return;
    // picom and compton read their own switch; picom's sample settings and mutter leave
    // alone a window that says it draws its own frame and shadow (of no extent here).
    const uint32_t off = 0;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_COMPTON_SHADOW"), XCB_ATOM_CARDINAL, 32, 1, &off);
    const std::array<uint32_t, 4> extents{0, 0, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 32,
                        uint32_t(extents.size()), extents.data());
    xcb_flush(c);
}

void FloatingWindows::setAway(bool away)
{
    if (away == m_away)
        return;
    m_away = away;
    xcb_connection_t *c = x11();
    if (!c)
        return;
    // Unmapped behind Qt's back, so that what Qt shows or hides meanwhile (the balloon ending)
    // keeps its meaning: what Qt counts as shown comes back with the game.
    for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
        const xcb_window_t id = nativeWindow(window);
        if (id == XCB_NONE || !window->isVisible())
            continue;
        if (away)
            xcb_unmap_window(c, id);
        else
            xcb_map_window(c, id);
    }
    xcb_flush(c);
    if (!away)
        restack();
}

void FloatingWindows::attachToGame(QWidget *window)
{
    // Wayland lets no program place a window of its own or keep one from taking the
    // keyboard; a tooltip-like window is placed relative to its parent window and never
    // takes the focus: the game's window is the parent, the place is kept relative to it.
    if (!window || !m_game || !onWayland())
        return;
    if (window->windowType() != Qt::ToolTip) {
        const bool shown = window->isVisible();
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::ToolTip);
        window->setVisible(shown);
    }
    window->winId();
    m_game->winId();
    window->windowHandle()->setTransientParent(m_game->windowHandle());
}

void FloatingWindows::watchRestacking()
{
    xcb_connection_t *c = x11();
    if (m_watching || !c)
        return;
    m_watching = true;
    // A window manager restacks the game's frame when a box of the game opens (raising the
    // box and its parent together) or the game is raised: the root's children tell.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr);
    if (!attributes)
        return;
    const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    std::free(attributes);
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    qGuiApp->installNativeEventFilter(this);
}

bool FloatingWindows::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || m_gameFrame == 0)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_CONFIGURE_NOTIFY)
        return false;
    const auto *configure = reinterpret_cast<const xcb_configure_notify_event_t *>(event);
    if (configure->event == configure->window)
        return false; // the window's own copy; the root's is the one that counts
    const auto expected = m_placedAbove.constFind(configure->window);
    if (expected != m_placedAbove.constEnd()) {
        // One of ours, put elsewhere than where we put it: this window manager keeps windows
        // like ours above all of its own (metacity and mutter do), boxes included.
        if (*expected != configure->above_sibling) {
            m_keptOnTop = true;
            m_raisedOverBox = m_raisedOverBox || m_blocked;
            updateAway();
        }
        return false;
    }
    // The game's frame moved in the stack, or another window now lies right on it (between
    // it and the wizard): back right above the game, beneath that window.
    if (!m_away && (configure->window == m_gameFrame || configure->above_sibling == m_gameFrame))
        restack();
    return false;
}

void FloatingWindows::updateAway()
{
    // Where the window manager will not let a box of the game cover the wizard, he and his
    // balloon step away while it is open; nor other programs: away while one is in front.
    const bool otherInFront = m_keptOnTop && m_wasActive && QGuiApplication::applicationState() != Qt::ApplicationActive;
    setAway(gameAway() || (m_blocked && m_raisedOverBox) || otherInFront);
}

bool FloatingWindows::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_game) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            updateAway();
            restack();
            break;
        case QEvent::WindowBlocked:
        case QEvent::WindowUnblocked:
            // A box of the game opened or closed.
            m_blocked = event->type() == QEvent::WindowBlocked;
            m_raisedOverBox = false;
            updateAway();
            break;
        case QEvent::ActivationChange:
            // The game came to the front (or a box of its own did): back above it.
            restack();
            break;
        default:
            break;
        }
        return false;
    }
    auto *window = static_cast<QWidget *>(watched);
    if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
        markUnshadowed(window);
    if (event->type() == QEvent::Move && window->isVisible() && onWayland()) {
        // Once the glide is over.
        m_moved.insert(window);
        m_remap.start();
    }
    return false;
}

void FloatingWindows::remapMoved()
{
    // A Wayland parent places its tooltip-like windows when they are shown, and only then.
    for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
        if (window && window->isVisible() && m_moved.contains(window)) {
            window->hide();
            window->show();
        }
    }
    m_moved.clear();
}
