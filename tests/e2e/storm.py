# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""Key and click storms on the real program: however fast a child presses Enter or clicks
"Nuovo calcolo", the wizard must say the exercise on display soon after the storm ends.

Runs on the X server and buses that run-e2e.sh sets up. The program logs every request of
the wizard (TIRLINDO_AGENT_LOG): queued, started, finished or dropped. After each storm the
driver waits until the wizard has finished saying the last exercise dictated, which must be
the one on display, and prints how long that took after the storm's last key or click.

usage: storm.py PATH/TO/tirlindo [STORM...]   (storms: enter20 held3s enter500 click200)
  TIRLINDO_STORM_LIMIT=S  fail when the wizard takes longer than S seconds (default 5)
  TIRLINDO_STORM_WAIT=S   how long to wait for him at all (default 30)
"""

import os
import re
import subprocess
import sys
import tempfile
import time

import desktop
import play_game
from desktop import Failure, wait_for

WORDS = ["zero", "uno", "due", "tre", "quattro", "cinque", "sei", "sette", "otto", "nove", "dieci"]
LINE = re.compile(r"^(\d+) (queued|start|end|dropped) (\d+) (.*)$")


class RequestLog:
    """The wizard's requests as the program logged them."""

    def __init__(self, path):
        self.path = path

    def read(self):
        events = []
        with open(self.path, encoding="utf-8", errors="replace") as f:
            for line in f:
                m = LINE.match(line.rstrip("\n"))
                if m:
                    events.append((int(m.group(1)) / 1000.0, m.group(2), int(m.group(3)), m.group(4)))
        return events

    def idle(self):
        state = {}
        for _, event, number, _ in self.read():
            state[number] = event
        return state and all(e in ("end", "dropped") for e in state.values())

    def last_dictation(self):
        """The request number of the words of the last exercise dictated, and the words."""
        queued = [(n, r) for _, e, n, r in self.read() if e == "queued"]
        for i in range(len(queued) - 1, 1, -1):
            if (queued[i - 2][1] == "Speak(9)" and queued[i - 1][1] == "Speak(per)"
                    and queued[i][1].startswith("Speak(")):
                return queued[i][0], queued[i][1][6:-1]
        return None

    def when(self, number, event):
        for t, e, n, _ in self.read():
            if n == number and e == event:
                return t
        return None

    def count(self, event, since, request=None):
        return sum(1 for t, e, _, r in self.read()
                   if e == event and t >= since and (request is None or r == request))


def xdotool(*argv):
    subprocess.run(["xdotool", *argv], check=True, timeout=120)


def storm(name, game):
    """Performs one storm on the game window; returns when its last input went out."""
    desktop.focus(game.board)
    if name == "enter20":
        xdotool("key", "--delay", "50", *["Return"] * 20)
    elif name == "held3s":
        xdotool("keydown", "Return")
        time.sleep(3)
        xdotool("keyup", "Return")
    elif name == "enter500":
        xdotool("key", "--delay", "8", *["Return"] * 500)
    elif name == "click200":
        button = game.until("the 'Nuovo calcolo' button, enabled",
                            lambda nodes: next((n for n in game.on_board(nodes, "push button")
                                                if "Nuovo calcolo" in n.name and n.enabled), None))
        x, y = button.rect.x + button.rect.w // 2, button.rect.y + button.rect.h // 2
        xdotool("mousemove", "--sync", str(x), str(y))
        xdotool("click", "--repeat", "200", "--delay", "20", "1")
    else:
        raise Failure(f"no storm called {name!r}")
    return time.time()


def shown_factor(game):
    """The second factor on display, read as the child reads it (typing brings the line
    up); None when the answer box does not have the focus (the storm ended on an answer)."""
    nodes = game.nodes()
    box = game.answer_box(nodes)
    if not (box and box.focused and not box.text):
        return None
    desktop.type_text("0")
    first, sign, second = game.until("the exercise line after typing a key",
                                     lambda nodes: game.exercise_line(nodes))
    desktop.press("BackSpace")
    return play_game.number_of(second)


def main():
    program = sys.argv[1]
    storms = sys.argv[2:] or ["enter20", "held3s", "enter500", "click200"]
    limit = float(os.environ.get("TIRLINDO_STORM_LIMIT", "5"))
    patience = float(os.environ.get("TIRLINDO_STORM_WAIT", "30"))
    log_path = os.environ.get("TIRLINDO_STORM_LOG") or os.path.join(os.environ["XDG_RUNTIME_DIR"], "agent-requests.log")
    os.environ["TIRLINDO_AGENT_LOG"] = log_path
    log = RequestLog(log_path)
    failures = []
    with play_game.Game(program, play_game.Shots()) as game:
        game.enter_name("Tempesta")
        game.confirm(play_game.greeting("Tempesta"))
        game.wait_board()
        # The introduction is long and, once begun, always said whole: let it end first.
        wait_for("the wizard to finish the introduction and the first exercise", log.idle, 90,
                 lambda: "".join(f"  {e}\n" for e in log.read()[-5:]))
        # Clicks need "Nuovo calcolo" enabled: one answer first.
        game.answer(correctly=False)
        for name in storms:
            wait_for("the wizard to be quiet before the storm", log.idle, patience * 4,
                     lambda: "".join(f"  {e}\n" for e in log.read()[-5:]))
            began = time.time()
            ended = storm(name, game)
            dictated = log.count("queued", began, "Speak(9)")
            number, words = log.last_dictation()
            try:
                said = wait_for(f"the wizard to say the last exercise ({words}) after {name}",
                                lambda: log.when(number, "end") or log.when(number, "dropped") and -1,
                                patience, lambda: f"  still {sum(1 for _ in log.read())} log lines")
            except Failure:
                said = None
            if said == -1:
                failures.append(f"{name}: the exercise on display ({words}) was dropped")
                continue
            factor = shown_factor(game) if said else None
            if factor is not None and WORDS[factor] != words:
                failures.append(f"{name}: the display shows 9 X {factor}, the wizard said {words}")
            stale = log.count("start", ended, "Speak(9)") - 1
            dropped = log.count("dropped", began)
            took = f"{said - ended:.1f} s" if said else f"more than {patience:g} s"
            print(f"storm {name}: {ended - began:.1f} s, {dictated} exercises dictated; the wizard "
                  f"said the one on display {took} after the storm ended "
                  f"({max(stale, 0)} older exercises still said after it, {dropped} requests dropped)",
                  flush=True)
            if not said or said - ended > limit:
                failures.append(f"{name}: {took}, more than {limit:g} s")
            if not said:
                break  # the backlog would spill into the next storm
    if failures:
        raise Failure("\n  ".join(failures))
    print("e2e storms: the wizard kept up", flush=True)


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print(f"e2e FAILED: {failure}", file=sys.stderr, flush=True)
        sys.exit(1)
