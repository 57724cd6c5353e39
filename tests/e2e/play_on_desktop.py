# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""Plays one whole game under a real window manager (and a compositor, when one runs) with
real key presses, and checks what the desktop does with the wizard:

- no box of the game is covered by the wizard or his balloon (the X server's stacking order
  and the windows' geometry; the window manager's own list agrees);
- no grey or black rectangle surrounds the wizard or the balloon (Xvfb's framebuffer, against
  the game window's own pixels, which the compositor keeps off screen);
- minimising the game takes the wizard with it, restoring it brings him back above it;
  another program in front of the game has him beneath it (or away).

usage: play_on_desktop.py PATH/TO/tirlindo FBDIR [idle-cost SECONDS]

idle-cost: plays nothing; once the wizard rests, measures the CPU time of the compositor
(process TIRLINDO_COMPOSITOR_PID) and of the game over SECONDS with the wizard standing and
SECONDS with him taken off, alternately, and prints both.
"""

import os
import re
import subprocess
import sys
import time

import numpy

import desktop
import play_game as pg
from desktop import Failure, Rect, XWindow, wait_for


def run(*argv):
    return desktop._run(*argv)


def info(wid):
    """(rect on screen, viewable, override-redirect, parent) of an X window, None if gone."""
    try:
        out = run("xwininfo", "-all", "-id", hex(wid))
    except Failure:
        return None

    def num(label):
        return int(re.search(rf"{label}:\s+(-?\d+)", out).group(1))
    rect = Rect(num("Absolute upper-left X"), num("Absolute upper-left Y"), num("Width"), num("Height"))
    parent = int(re.search(r"Parent window id: (0x[0-9a-f]+)", out).group(1), 16)
    return rect, "IsViewable" in out, "Override Redirect State: yes" in out, parent


def root_id():
    return int(re.search(r"Window id: (0x[0-9a-f]+)", run("xwininfo", "-root")).group(1), 16)


def outermost(wid):
    """The root's child that holds wid: its window manager frame, or wid itself."""
    root = root_id()
    while True:
        found = info(wid)
        if found is None or found[3] == root:
            return wid
        wid = found[3]


def program_windows(pid):
    """The program's own viewable windows: (id, rect, override-redirect)."""
    done = subprocess.run(["xdotool", "search", "--pid", str(pid)], capture_output=True, text=True)
    windows = []
    for line in done.stdout.split():
        wid = int(line)
        found = info(wid)
        if found and found[1] and found[0].w > 1:
            windows.append((wid, found[0], found[2]))
    return windows


def stacking():
    """The root's children, topmost first, as desktop.toplevels() reads them."""
    return desktop.toplevels()


def client_stacking():
    """The window manager's list of its windows, bottom first."""
    out = run("xprop", "-root", "_NET_CLIENT_LIST_STACKING")
    return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out)]


def settled(xwd_file, where, what, also=lambda frame: True):
    """The framebuffer once two reads in a row agree within the mask where (and also(frame)
    holds): a compositor's fade or repaint is over."""
    last = [pixels(xwd_file)]

    def probe():
        frame = pixels(xwd_file)
        same = numpy.array_equal(frame[where], last[0][where])
        last[0] = frame
        return same and also(frame)
    wait_for(what, probe, 10, lambda: "  the framebuffer still changing there")
    return last[0]


def pixels(xwd_file):
    """An xwd file (Xvfb's framebuffer) as a height x width x 3 array."""
    size = run("convert", f"xwd:{xwd_file}", "-format", "%w %h", "info:")
    w, h = (int(v) for v in size.split())
    out = subprocess.run(["convert", f"xwd:{xwd_file}", "-depth", "8", "rgb:-"],
                         capture_output=True, check=True).stdout
    return numpy.frombuffer(out, dtype=numpy.uint8)[: w * h * 3].reshape(h, w, 3).astype(int)


class DesktopGame(pg.Game):
    def __init__(self, program, shots, fbdir):
        self.fbdir = fbdir
        super().__init__(program, shots)

    # ---- windows under a window manager: the clients are inside frames --------------------

    def _window_of(self, node):
        def find():
            for wid, rect, _ in program_windows(self.proc.pid):
                if rect == node.rect:
                    return XWindow(wid, node.name, rect, rect)
            return None
        return wait_for(f"the X window of {node.role} {node.name!r} at {node.rect}", find, 5,
                        lambda: "\n".join(f"  0x{w:x} {r}" for w, r, _ in program_windows(self.proc.pid)))

    def frame_of(self, window):
        fid = outermost(window.id)
        for w in stacking():
            if w.id == fid:
                return w
        raise Failure(f"no frame on the root for 0x{window.id:x}")

    def hiding(self, window, rects):
        frame = self.frame_of(window)
        return [(r, w) for r in rects for w in desktop.covering(frame, r)]

    def check_clear(self, what, nodes_to_see, timeout=5):
        wait_for(f"{what} clear of other windows",
                 lambda: not self.hiding(self.board, [n.rect for n in nodes_to_see]), timeout,
                 lambda: "\n".join(f"  {r} is under {w}" for r, w in
                                   self.hiding(self.board, [n.rect for n in nodes_to_see])))

    def note_hidden(self, what, nodes_to_see):
        pass  # the bare-server test keeps account of the counters

    def floating(self):
        """The wizard's and the balloon's windows on screen now."""
        return [(wid, rect) for wid, rect, override in program_windows(self.proc.pid) if override]

    # ---- the checks -----------------------------------------------------------------------

    def check_box_on_top(self, expected, wizard_expected):
        """The box saying expected is open: nothing of the program stacks above it where it
        would cover it, and the window manager has it topmost."""
        def message(nodes):
            for box in self._boxes(nodes):
                if not any(n.editable for n in self._inside(nodes, box)) and \
                        self.box_text(nodes, box) == expected:
                    return box
            return None
        box = self.until(f"a message box saying {expected!r}", message)
        client = self._window_of(box)

        def covered():
            frame = self.frame_of(client)
            return [w for w in desktop.covering(frame, frame.rect)]
        # A moment for the window manager to put it in front, no more.
        wait_for(f"the box {expected!r} uncovered", lambda: not covered(), 3,
                 lambda: "\n".join(f"  under {w}" for w in covered()))
        clients = client_stacking()
        if clients and clients[-1] != client.id:
            raise Failure(f"the window manager does not have the box {expected!r} (0x{client.id:x}) "
                          f"on top: {[hex(w) for w in clients]}")
        if wizard_expected:
            # He stays where he stands beneath the box, seen around it; where the window
            # manager keeps him above every window (metacity), he steps away while it is open.
            def in_between():
                order = [w.id for w in stacking()]
                box_at, game_at = order.index(outermost(client.id)), order.index(outermost(self.board.id))
                return [(w, r) for w, r in self.floating() if box_at < order.index(w) < game_at]
            if os.environ.get("TIRLINDO_E2E_WM") == "openbox":
                found = wait_for(f"the wizard between the box {expected!r} and the game", in_between,
                                 3, lambda: "\n".join(f"  {w}" for w in stacking()))
                frame = self.frame_of(client)
                if not any(r.intersects(frame.rect) for _, r in found):
                    raise Failure(f"the wizard is not where he stands while the box {expected!r} "
                                  f"is open: {found}")
                print("  the wizard beneath the box", flush=True)
            elif self.floating():
                print("  the wizard beneath the box", flush=True)
            else:
                print("  the wizard away while the box is open", flush=True)
        print(f"  box {expected!r} on top, uncovered", flush=True)

    def confirm(self, expected, shot=None):
        self.check_box_on_top(expected, wizard_expected=self.board is not None)
        super().confirm(expected, shot)

    def check_no_halo(self, label):
        """No shadow, frame or rectangle of the wizard or his balloon shows on the game: the
        screen with them is compared with the screen with them taken off for a moment.
        Around the windows (where a shadow falls) nothing may change; inside the wizard's
        window only his drawing may, not the see-through rest of it."""
        floating = self.floating()
        if len(floating) < 1:
            raise Failure("the wizard is not on screen")
        fb = os.path.join(self.fbdir, "Xvfb_screen0")
        height, width = pixels(fb).shape[:2]
        inside = numpy.zeros((height, width), dtype=bool)
        for _, r in floating:
            inside[max(r.y, 0):r.bottom, max(r.x, 0):r.right] = True
        ring = numpy.zeros_like(inside)
        for _, r in floating:
            ring[max(r.y - 20, 0):min(r.bottom + 20, height), max(r.x - 20, 0):min(r.right + 20, width)] = True
        ring &= ~inside
        # A compositor fades windows in and out: each picture is taken once two framebuffer
        # reads in a row agree where it matters (all of it without him; around him with him,
        # as he himself moves), and with him only once his drawing differs from the game.
        for wid, _ in floating:
            run("xdotool", "windowunmap", "--sync", str(wid))
        without = settled(fb, inside | ring, "the wizard's place at rest once he is hidden")
        for wid, _ in floating:
            run("xdotool", "windowmap", "--sync", str(wid))

        def drawn(frame):
            return (numpy.abs(frame - without).max(axis=2)[inside] > 24).mean() > 0.05
        with_them = settled(fb, ring, "the wizard drawn again", drawn)
        changed = numpy.abs(with_them - without).max(axis=2) > 24
        around = int((changed & ring).sum())
        wizard = max((r for _, r in floating), key=lambda r: r.h)  # the taller is he
        body = changed[wizard.y:wizard.bottom, wizard.x:wizard.right]
        share = body.mean()
        print(f"  {label}: {around} pixels changed around the windows; "
              f"{share:.0%} of the wizard's window is drawing", flush=True)
        if around > 20 or share > 0.6:
            self.shots.once("halo-" + label)
            raise Failure(f"{label}: a shadow or rectangle around the wizard: {around} pixels "
                          f"around the windows changed, {share:.0%} of his window differs from "
                          f"the game under it")

    def check_other_program(self):
        """Another program in front of the game has the wizard beneath it (or away)."""
        other = subprocess.Popen(["xmessage", "-geometry", "600x400+200+150", "Un altro programma"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            def mapped():
                # xmessage gives no process id to its window: found by its class.
                done = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "Xmessage"],
                                      capture_output=True, text=True)
                return int(done.stdout.split()[0]) if done.stdout.split() else None
            wid = wait_for("another program's window", mapped, 10, lambda: "  none")
            run("xdotool", "windowactivate", "--sync", str(wid))

            def beneath():
                order = [w.id for w in stacking()]
                return all(order.index(w) > order.index(outermost(wid)) for w, _ in self.floating())
            wait_for("the wizard beneath the other program's window, or away", beneath, 3,
                     lambda: "\n".join(f"  {w}" for w in stacking()))
            self.shots.once("09-other-program")
            print(f"  another program in front: the wizard "
                  f"{'beneath it' if self.floating() else 'away'}", flush=True)
        finally:
            other.kill()
            other.wait()
        run("xdotool", "windowactivate", "--sync", str(self.board.id))
        wait_for("the wizard back with the game in front", lambda: self.floating(), 5,
                 lambda: "\n".join(f"  {w}" for w in stacking()))

    def check_minimise(self):
        wizard = self.floating()
        run("xdotool", "windowminimize", "--sync", str(self.board.id))
        wait_for("the wizard to leave with the minimised game", lambda: not self.floating(), 5,
                 lambda: f"  still there: {self.floating()}")
        # Whatever the game does about being minimised has been drawn once the screen is at rest.
        fb = os.path.join(self.fbdir, "Xvfb_screen0")
        settled(fb, numpy.s_[:], "the screen at rest with the game minimised")
        if self.floating():
            raise Failure("the wizard came back while the game was minimised")
        self.shots.once("08-minimised")
        run("xdotool", "windowactivate", "--sync", str(self.board.id))

        def back():
            now = self.floating()
            if len(now) < 1:
                return False
            order = [w.id for w in stacking()]
            frame = outermost(self.board.id)
            wizard_at = min(order.index(w) for w, _ in now)
            return wizard_at < order.index(frame)
        wait_for("the wizard back above the restored game", back, 5,
                 lambda: "\n".join(f"  {w}" for w in stacking()))
        print(f"  minimised: wizard away; restored: back ({len(wizard)} windows)", flush=True)


def cpu_seconds(pid):
    """User plus system CPU time of process pid so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def idle_cost(game, seconds):
    compositor = int(os.environ["TIRLINDO_COMPOSITOR_PID"])
    wait_for("the introduction to start (the balloon up)", lambda: len(game.floating()) == 2, 30,
             lambda: str(game.floating()))
    wait_for("the introduction to end (the balloon gone)", lambda: len(game.floating()) == 1, 90,
             lambda: str(game.floating()))
    time.sleep(2)
    wizard = game.floating()
    totals = {"with": [0.0, 0.0], "without": [0.0, 0.0]}
    for round_ in range(3):
        for mode in ("with", "without"):
            if mode == "without":
                for wid, _ in wizard:
                    run("xdotool", "windowunmap", "--sync", str(wid))
            time.sleep(1)
            c0, g0 = cpu_seconds(compositor), cpu_seconds(game.proc.pid)
            time.sleep(seconds)
            c1, g1 = cpu_seconds(compositor), cpu_seconds(game.proc.pid)
            totals[mode][0] += c1 - c0
            totals[mode][1] += g1 - g0
            print(f"  round {round_ + 1} {mode} the wizard: compositor {c1 - c0:.2f} s, "
                  f"game {g1 - g0:.2f} s of CPU in {seconds} s", flush=True)
            if mode == "without":
                for wid, _ in wizard:
                    run("xdotool", "windowmap", "--sync", str(wid))
    span = 3 * seconds
    for mode, (c, g) in totals.items():
        print(f"idle {mode} the wizard: compositor {100 * c / span:.2f} % of a core, "
              f"game {100 * g / span:.2f} % (CPU time over {span} s)", flush=True)


def main():
    program, fbdir = sys.argv[1], sys.argv[2]
    if len(sys.argv) > 4 and sys.argv[3] == "idle-cost":
        with DesktopGame(program, pg.Shots(), fbdir) as game:
            game.enter_name("Lia")
            game.confirm(pg.greeting("Lia"))
            game.wait_board()
            idle_cost(game, int(sys.argv[4]))
        return
    shots = pg.Shots()
    desktop.screenshot = lambda path: (run("convert", f"xwd:{fbdir}/Xvfb_screen0", path), path)[1]
    started = time.monotonic()
    with DesktopGame(program, shots, fbdir) as game:
        game.enter_name("Lia")
        game.confirm(pg.greeting("Lia"), shot="01-greeting")
        game.wait_board()
        # The introduction: the wizard and his balloon over the game.
        wait_for("the balloon beside the wizard", lambda: len(game.floating()) >= 2, 10,
                 lambda: str(game.floating()))
        game.check_no_halo("introduction")
        game.shots.once("02-introduction")
        game.check_minimise()
        game.check_other_program()
        game.answer(True)
        game.answer(False)
        game.check_no_halo("after-answers")
        game.leave(new_record=True)
    print(f"e2e desktop: game played, boxes on top, no halo, in {time.monotonic() - started:.1f} s; "
          f"screenshots in {shots.dir}", flush=True)


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print(f"e2e FAILED: {failure}", file=sys.stderr, flush=True)
        sys.exit(1)
