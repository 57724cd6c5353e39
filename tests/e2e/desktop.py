# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""The driver's eyes and hands on a bare X server.

Eyes: the program's accessibility tree read the way a screen reader reads it, and the X
server's top-level windows (what covers what). Hands: real key presses through XTEST.
Nothing here knows the game: play_game.py does.
"""

import re
import subprocess
import time
from dataclasses import dataclass

import pyatspi
from gi.repository import GLib


class Failure(Exception):
    """A check that did not hold; the message says what was expected and what was found."""


@dataclass(frozen=True)
class Rect:
    x: int
    y: int
    w: int
    h: int

    @property
    def right(self):
        return self.x + self.w

    @property
    def bottom(self):
        return self.y + self.h

    def intersects(self, other):
        return (self.x < other.right and other.x < self.right
                and self.y < other.bottom and other.y < self.bottom)

    def shares_row_with(self, other):
        """At least half of the lower one lies within the other's height."""
        overlap = min(self.bottom, other.bottom) - max(self.y, other.y)
        return overlap * 2 >= min(self.h, other.h) > 0

    def union(self, other):
        x, y = min(self.x, other.x), min(self.y, other.y)
        return Rect(x, y, max(self.right, other.right) - x, max(self.bottom, other.bottom) - y)

    def __str__(self):
        return f"{self.w}x{self.h}+{self.x}+{self.y}"


@dataclass(frozen=True)
class Node:
    """One accessible object as read at one moment."""
    role: str
    name: str
    text: str      # the Text interface's content ('' where there is none)
    description: str
    showing: bool
    focused: bool
    enabled: bool
    editable: bool
    rect: Rect     # in screen coordinates
    top: int       # which of the application's top-level windows holds it

    @property
    def caption(self):
        """What it displays: an edit's content, a label's text (Qt gives it as the name)."""
        return self.text or self.name

    def __str__(self):
        flags = "".join(c for c, on in (("S", self.showing), ("F", self.focused),
                                        ("E", self.enabled)) if on)
        extra = f" desc={self.description!r}" if self.description else ""
        text = f" text={self.text!r}" if self.text else ""
        return f"{self.role} {self.name!r}{text}{extra} [{flags}] {self.rect}"


def application(pid):
    """The accessible application of process pid, or None while it is not on the bus."""
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except GLib.GError:
            continue
    return None


def _read(acc, top):
    states = acc.getState()
    try:
        text = acc.queryText().getText(0, -1)
    except NotImplementedError:
        text = ""
    try:
        e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        rect = Rect(e.x, e.y, e.width, e.height)
    except NotImplementedError:
        rect = Rect(0, 0, 0, 0)
    return Node(role=acc.getRoleName(), name=acc.name or "", text=text or "",
                description=acc.description or "",
                showing=states.contains(pyatspi.STATE_SHOWING),
                focused=states.contains(pyatspi.STATE_FOCUSED),
                enabled=states.contains(pyatspi.STATE_ENABLED),
                editable=states.contains(pyatspi.STATE_EDITABLE),
                rect=rect, top=top)


def snapshot(app):
    """Every object of the application, top-level windows first in each subtree; None when
    the tree changed under the reading (a box closing), so that the caller reads again."""
    nodes = []

    def walk(acc, top):
        node = _read(acc, top)
        nodes.append(node)
        # The menus are the program's credits: nothing to check there, and many objects.
        if acc.getRole() == pyatspi.ROLE_MENU_BAR:
            return
        for i in range(acc.childCount):
            child = acc.getChildAtIndex(i)
            if child is not None:
                walk(child, top)

    try:
        for top in range(app.childCount):
            window = app.getChildAtIndex(top)
            if window is not None:
                walk(window, top)
    except GLib.GError:
        return None
    return nodes


def describe(nodes, only_showing=True):
    """The nodes as lines for a failure message."""
    if nodes is None:
        return "  (the accessibility tree could not be read)"
    return "\n".join(f"  {n}" for n in nodes if n.showing or not only_showing)


def wait_for(what, probe, timeout, explain):
    """Polls probe() until it gives something true and returns that; past the timeout,
    fails with what was awaited and what explain() says was there instead."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"{what}: not seen within {timeout:g} s. Found instead:\n{explain()}")
        time.sleep(0.05)


# ---- the X server -------------------------------------------------------------------------

def _run(*argv, timeout=15):
    done = subprocess.run(argv, capture_output=True, text=True, timeout=timeout)
    if done.returncode != 0:
        raise Failure(f"{' '.join(argv)} failed ({done.returncode}): {done.stderr.strip()}")
    return done.stdout


@dataclass(frozen=True)
class XWindow:
    id: int
    name: str
    rect: Rect    # where it is
    shape: Rect   # what of it can be seen: a shaped window's drawn part, on the screen

    def __str__(self):
        return f"0x{self.id:x} {self.name} {self.rect} (drawn {self.shape})"


_CHILD = re.compile(r"^\s+(0x[0-9a-f]+) (.*?)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$")
_SHAPE = re.compile(r"Window shape extents:\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)")


def toplevels():
    """The root's mapped children, topmost first (without a window manager these are the
    program's own windows, stacked as it raised them)."""
    windows = []
    for line in _run("xwininfo", "-root", "-children").splitlines():
        m = _CHILD.match(line)
        if not m:
            continue
        wid = int(m.group(1), 16)
        try:
            info = _run("xwininfo", "-shape", "-id", hex(wid))
        except Failure:
            continue  # gone meanwhile
        if "IsViewable" not in info:
            continue
        w, h, x, y = (int(m.group(i)) for i in range(3, 7))
        rect = Rect(x, y, w, h)
        shaped = _SHAPE.search(info)
        if shaped:
            sw, sh, sx, sy = (int(g) for g in shaped.groups())
            shape = Rect(x + sx, y + sy, sw, sh)
        else:
            shape = rect
        windows.append(XWindow(wid, m.group(2), rect, shape))
    return windows


def window_at(rect):
    """The mapped top-level X window exactly where an accessible window says it is."""
    for window in toplevels():
        if window.rect == rect:
            return window
    return None


def covering(window, area):
    """The mapped windows stacked above window whose drawn part hides some of area (the
    bounding box of a shaped window's outline: a little generous at round edges)."""
    above = []
    for other in toplevels():
        if other.id == window.id:
            return above
        if other.shape.intersects(area):
            above.append(other)
    return above


def window_title(window):
    """The title a window manager shows for window (_NET_WM_NAME, UTF-8)."""
    out = subprocess.run(["xprop", "-id", hex(window.id), "-notype", "_NET_WM_NAME"],
                         capture_output=True, timeout=15).stdout.decode("utf-8")
    m = re.search(r'_NET_WM_NAME = "(.*)"\s*$', out, re.S)
    return m.group(1).replace('\\"', '"').replace("\\\\", "\\") if m else None


def icon_sizes(window):
    """The sizes of the icon a window manager shows for window (_NET_WM_ICON), e.g. [16, 24]."""
    out = subprocess.run(["xprop", "-id", hex(window.id), "_NET_WM_ICON"],
                         capture_output=True, timeout=15).stdout.decode("utf-8", "replace")
    return [int(w) for w, h in re.findall(r"Icon \((\d+) x (\d+)\)", out) if w == h]


def focus(window):
    """Gives window the keyboard focus, as a window manager would on a click."""
    _run("xdotool", "windowfocus", "--sync", str(window.id))


def press(*keys):
    _run("xdotool", "key", "--delay", "40", *keys)


def type_text(text):
    _run("xdotool", "type", "--delay", "60", text)


def screenshot(path):
    _run("import", "-window", "root", path)
    return path
