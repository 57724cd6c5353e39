# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""Plays one whole game on a Wayland desktop without XWayland (weston), with real key
presses: the game starts with no X display, and the wizard and his balloon never take the
keyboard from the game's boxes and answer box. Read over the accessibility bus.

usage: play_on_wayland.py PATH/TO/tirlindo FBDIR WAYLAND_SOCKET
"""

import os
import subprocess
import sys
import time

import desktop
import play_game as pg
from desktop import Failure


class WaylandGame(pg.Game):
    """No X window of the game to look at: the compositor gives the keyboard to the window
    it activates, as a desktop does."""

    def __init__(self, program, shots, socket):
        x_display = os.environ.pop("DISPLAY")
        os.environ["WAYLAND_DISPLAY"] = socket
        os.environ["XDG_SESSION_TYPE"] = "wayland"
        os.environ.pop("QT_QPA_PLATFORM", None)
        try:
            super().__init__(program, shots)
        finally:
            os.environ["DISPLAY"] = x_display  # for the key presses, sent to weston's window
            del os.environ["WAYLAND_DISPLAY"]

    def _window_of(self, node):
        return None

    def check_clear(self, what, nodes_to_see, timeout=5):
        pass  # no stacking order to read on Wayland: the screenshots show it

    def note_hidden(self, what, nodes_to_see):
        pass


def main():
    program, fbdir, socket = sys.argv[1], sys.argv[2], sys.argv[3]
    shots = pg.Shots()
    desktop.screenshot = lambda path: (desktop._run("convert", f"xwd:{fbdir}/Xvfb_screen0", path), path)[1]
    # Weston's own window on the bare X server takes the keys while the pointer is in it;
    # inside, weston hands them to the window it activated.
    desktop.focus = lambda window: desktop._run("xdotool", "mousemove", "1090", "790")
    started = time.monotonic()
    with WaylandGame(program, shots, socket) as game:
        game.enter_name("Lia")
        game.confirm(pg.greeting("Lia"), shot="01-wayland-greeting")
        game.wait_board()
        # The first answer goes in while the wizard appears; the second once he stands beside
        # the answer box and speaks, balloon and all.
        game.answer(True, shoot_line=True)
        time.sleep(3)
        shots.once("02-wayland-wizard")
        game.answer(False)
        game.leave(new_record=True)
    print(f"e2e wayland: game played in {time.monotonic() - started:.1f} s; "
          f"screenshots in {shots.dir}", flush=True)


if __name__ == "__main__":
    try:
        main()
    except (Failure, subprocess.SubprocessError) as failure:
        print(f"e2e FAILED: {failure}", file=sys.stderr, flush=True)
        sys.exit(1)
