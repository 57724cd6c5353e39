# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""Plays Tirlindo as a child would, on the X server and buses that run-e2e.sh set up.

Everything is done with real key presses and checked by reading the windows over the
accessibility bus, the way a screen reader sees them; the record files are checked byte by
byte. Controls are found by role, caption and place on screen, as a child finds them,
never by internal names. A label's accessible name is its caption.

usage: play_game.py PATH/TO/tirlindo
"""

import os
import re
import subprocess
import sys
import tempfile
import time

import desktop
from desktop import Failure, describe, wait_for

TITLE = "Tirlindo"
# The caption's 83 leading spaces are for the title bar; a screen reader gets it without them.
BOARD_TITLE = "TIRLINDO - la tabellina del 9"   # as a screen reader names the window
BOARD_CAPTION = " " * 83 + BOARD_TITLE           # as its title bar shows it
ASK_NAME = "Come ti chiami?"
RIGHT = "Esatto. Sei forte!!!"
GOODBYE = "Ciao. Ti aspetto per la prossima sfida "
RECORD = 'Ok ho registrato il tuo record, C A M P I O N E"'
COUNTER_HEADINGS = ("Risposte esatte", "Risposte errate", "Risposte totali")

OUTCOME = re.compile(r"(Esatto|Sbagliato)")
NUMBER_LAST = re.compile(r"(?:\D*\s)?(\d+)")  # "3", "Risposte esatte: 3"; not "00:06:55"
TIMES_LAST = re.compile(r"(?:.*\s)?[Xx\u00d7]")  # "X", "per X"


def greeting(name):
    return f" {name} vediamo se sei un vero campione  "


def wrong(product):
    return f"Sbagliato!! {product}"


def record_file_bytes(score, holder):
    """What the record files must hold: text lines the old Windows way, in its code page."""
    return f"{score}\r\n".encode("ascii"), f"{holder}\r\n".encode("cp1252")


def words(text):
    return " ".join(text.split())


def number_of(node):
    """The number a label shows, or None."""
    m = NUMBER_LAST.fullmatch(words(node.caption))
    return int(m.group(1)) if m else None


def caption_after(node, meaning):
    """A label's caption, with the spoken meaning it may be given first taken off."""
    name, meaning = words(node.caption), words(meaning)
    if name.lower().startswith(meaning.lower()):
        name = name[len(meaning):].lstrip(" :")
    return name


def outcome_of(node):
    """The outcome message a label shows ("Esatto..." / "Sbagliato!! 27"), or None."""
    m = OUTCOME.search(node.caption)
    return node.caption[m.start():] if m else None


class Shots:
    """Screenshots for a person to look at; each path is printed as it is taken."""

    def __init__(self):
        self.dir = os.environ.get("TIRLINDO_E2E_SHOTS") or tempfile.mkdtemp(prefix="tirlindo-e2e-shots.")
        os.makedirs(self.dir, exist_ok=True)
        self.taken = set()

    def once(self, name):
        """Takes the first screenshot of its kind only."""
        if name not in self.taken:
            path = desktop.screenshot(os.path.join(self.dir, name + ".png"))
            self.taken.add(name)
            print(f"  screenshot {path}", flush=True)


class Game:
    """One run of the program, from its start to its exit."""

    def __init__(self, program, shots):
        self.shots = shots
        self.log = tempfile.NamedTemporaryFile(prefix="tirlindo-", suffix=".log",
                                               dir=os.environ.get("XDG_RUNTIME_DIR"))
        self.proc = subprocess.Popen([program], stdout=self.log, stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL)
        self.app = wait_for("the program on the accessibility bus", self._on_bus, 30,
                            self._program_state)
        self.right = self.wrong = 0
        self.board = None  # the game window's X window, once it is up
        self.notes = set()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.log.close()

    # ---- reading ------------------------------------------------------------------------

    def _on_bus(self):
        self._alive()
        return desktop.application(self.proc.pid)

    def _alive(self):
        status = self.proc.poll()
        if status is not None:
            raise Failure(f"the program ended unexpectedly with status {status}\n{self._program_state()}")

    def _program_state(self):
        self.log.flush()
        with open(self.log.name, errors="replace") as f:
            out = f.read().strip()
        status = self.proc.poll()
        state = "running" if status is None else f"exited with status {status}"
        return f"  program {state}; its output: {out[-2000:] or '(none)'}"

    def nodes(self):
        """The whole tree now (read again if a box closed while it was being read)."""
        for _ in range(20):
            self._alive()
            nodes = desktop.snapshot(self.app)
            if nodes is not None:
                return nodes
            time.sleep(0.05)
        raise Failure("the accessibility tree kept changing while being read")

    def explain(self):
        try:
            return describe(self.nodes())
        except Failure as f:
            return str(f)

    def until(self, what, probe, timeout=10):
        """Waits until probe(nodes) gives something true, and returns that."""
        return wait_for(what, lambda: probe(self.nodes()), timeout, self.explain)

    # ---- the boxes ----------------------------------------------------------------------

    @staticmethod
    def _boxes(nodes):
        return [n for n in nodes if n.showing and n.role in ("dialog", "alert")]

    @staticmethod
    def _inside(nodes, box):
        return [n for n in nodes if n.top == box.top and n is not box]

    @staticmethod
    def _window_of(node):
        return wait_for(f"the X window of {node.role} {node.name!r} at {node.rect}",
                        lambda: desktop.window_at(node.rect), 5,
                        lambda: "\n".join(f"  {w}" for w in desktop.toplevels()))

    def box_text(self, nodes, box):
        return "\n".join(n.caption for n in self._inside(nodes, box)
                         if n.showing and n.role == "label" and n.caption)

    def enter_name(self, name):
        """Types name in the opening input box and confirms it with Enter."""
        def ask(nodes):
            for box in self._boxes(nodes):
                inner = self._inside(nodes, box)
                fields = [n for n in inner if n.showing and n.editable]
                if any(n.role == "label" and n.caption == ASK_NAME for n in inner) and fields:
                    return box, fields[0]
            return None

        box, field = self.until(f"the input box asking {ASK_NAME!r}", ask)
        if box.name != TITLE:
            raise Failure(f"the input box is titled {box.name!r}, not {TITLE!r}")
        if field.text:
            raise Failure(f"the input box starts with {field.text!r} in it")
        desktop.focus(self._window_of(box))
        # xdotool types a letter missing from the keymap by remapping a spare key for a
        # moment; should the program read it after the swap back, the name is typed again.
        for attempt in range(3):
            desktop.type_text(name)
            try:
                self.until(f"{name!r} in the input box",
                           lambda nodes: (found := ask(nodes)) and found[1].text == name, 5)
                break
            except Failure as failure:
                if attempt == 2:
                    raise
                print(f"  note: typing again: {failure}", flush=True)
                desktop.press("ctrl+a", "BackSpace")
        self.shots.once("00-name")
        desktop.press("Return")
        self.until("the input box to close", lambda nodes: not ask(nodes))

    def confirm(self, expected, shot=None):
        """Reads the message box that must be open now, checks its words, presses Enter."""
        def message(nodes):
            for box in self._boxes(nodes):
                if not any(n.editable for n in self._inside(nodes, box)):
                    text = self.box_text(nodes, box)
                    if text:
                        return box, text
            return None

        box, text = self.until(f"a message box saying {expected!r}", message)
        if text != expected or box.name != TITLE:
            raise Failure(f"message box titled {box.name!r} says {text!r};\n"
                          f"  expected title {TITLE!r} saying {expected!r}")
        if shot:
            self.shots.once(shot)
        desktop.focus(self._window_of(box))
        desktop.press("Return")

        def closed():
            if self.proc.poll() is not None:
                return True  # the last box of a game: the program may end with it
            nodes = desktop.snapshot(self.app)
            return nodes is not None and not any(self.box_text(nodes, b) == expected
                                                 for b in self._boxes(nodes))
        wait_for(f"the box {expected!r} to close", closed, 10, self.explain)

    # ---- the game window ----------------------------------------------------------------

    def frame(self, nodes):
        frames = [n for n in nodes if n.showing and n.role == "frame" and "TIRLINDO" in n.name]
        return frames[0] if frames else None

    def on_board(self, nodes, role=None):
        """The game window's showing objects (of one role)."""
        frame = self.frame(nodes)
        return [n for n in nodes if frame and n.top == frame.top and n.showing
                and n is not frame and (role is None or n.role == role)]

    def heading(self, nodes, text):
        """A fixed caption on the window, e.g. 'Risposte esatte'."""
        found = [n for n in self.on_board(nodes, "label") if words(n.caption) == words(text)]
        # Leftmost: a label spoken as "Il record è di" plus an empty caption may match too.
        return min(found, key=lambda n: (n.rect.x, n.rect.y)) if found else None

    def under(self, nodes, head):
        """The labels right under head, nearest first."""
        below = [n for n in self.on_board(nodes, "label") if n is not head
                 and n.rect.y >= head.rect.y + head.rect.h // 2
                 and n.rect.x < head.rect.right and head.rect.x < n.rect.right]
        return sorted(below, key=lambda n: n.rect.y)

    def counter(self, nodes, heading):
        """The number shown right under heading, as a label; None if there is none."""
        head = self.heading(nodes, heading)
        numbers = [n for n in self.under(nodes, head) if number_of(n) is not None] if head else []
        return numbers[0] if numbers else None

    def counters(self, nodes):
        labels = [self.counter(nodes, h) for h in COUNTER_HEADINGS]
        return tuple(number_of(n) if n else None for n in labels)

    def beside(self, nodes, anchor, stop=None):
        """The label on anchor's row nearest to its right (and left of stop)."""
        row = [n for n in self.on_board(nodes, "label") if n is not anchor and n is not stop
               and n.rect.shares_row_with(anchor.rect) and n.rect.x > anchor.rect.x
               and (stop is None or n.rect.x < stop.rect.x)]
        return min(row, key=lambda n: n.rect.x) if row else None

    def record_line(self, nodes):
        """(holder, points) from 'Il record è di HOLDER con punti POINTS'."""
        lead, mid = self.heading(nodes, "Il record è di"), self.heading(nodes, "con punti")
        holder = lead and mid and self.beside(nodes, lead, mid)
        points = mid and self.beside(nodes, mid)
        if not holder or not points:
            return None
        return caption_after(holder, lead.caption), number_of(points)

    def challenger(self, nodes):
        """The name shown under 'Sfidante'."""
        head = self.heading(nodes, "Sfidante")
        below = self.under(nodes, head) if head else []
        return caption_after(below[0], head.caption) if below else None

    def outcome(self, nodes):
        for n in self.on_board(nodes, "label"):
            if outcome_of(n):
                return n
        return None

    def answer_box(self, nodes):
        boxes = [n for n in self.on_board(nodes) if n.editable]
        return boxes[0] if len(boxes) == 1 else None

    def focused(self, nodes):
        found = [n for n in self.on_board(nodes) if n.focused]
        return found[-1] if found else None

    def exercise_line(self, nodes):
        """The three labels of '9 X n' while they show, else None."""
        shown = self.on_board(nodes, "label")
        for sign in (n for n in shown if TIMES_LAST.fullmatch(words(n.caption))):
            row = [n for n in shown if n is not sign and number_of(n) is not None
                   and n.rect.shares_row_with(sign.rect)]
            left = [n for n in row if n.rect.right <= sign.rect.x]
            right = [n for n in row if n.rect.x >= sign.rect.right]
            if left and right:
                return (max(left, key=lambda n: n.rect.x), sign,
                        min(right, key=lambda n: n.rect.x))
        return None

    def check_clear(self, what, nodes_to_see, timeout=5):
        """What the child must read now is not hidden by the wizard, his balloon or any
        other window; the wizard gliding across on his way is forgiven for a moment."""
        def hiding():
            return [(node, w) for node in nodes_to_see
                    for w in desktop.covering(self.board, node.rect)]
        wait_for(f"{what} clear of other windows", lambda: not hiding(), timeout,
                 lambda: "\n".join(f"  {node} is under {w}" for node, w in hiding()))

    def note_hidden(self, what, nodes_to_see):
        """Says, once per game, what of nodes_to_see is hidden, without failing: nothing
        promises yet that the balloon keeps off them."""
        hidden = [(node, w) for node in nodes_to_see
                  for w in desktop.covering(self.board, node.rect)]
        if hidden and what not in self.notes:
            self.notes.add(what)
            for node, window in hidden:
                print(f"  note: {what} {node.caption!r} at {node.rect} is hidden under {window}",
                      flush=True)
            self.shots.once("07-hidden-" + what.replace(" ", "-"))

    def wait_board(self):
        """Waits for the game window, ready for the first answer; returns its nodes."""
        def ready(nodes):
            box = self.answer_box(nodes)
            return box and box.focused and not box.text and nodes
        nodes = self.until("the game window with the focus in an empty answer box", ready)
        frame = self.frame(nodes)
        if frame.name != BOARD_TITLE:
            raise Failure(f"game window titled {frame.name!r}, expected {BOARD_TITLE!r}")
        self.board = self._window_of(frame)
        # What task bars and window lists show: the caption and nothing after it (an X
        # window's title; a Wayland window has none to read here).
        shown = desktop.window_title(self.board) if self.board else BOARD_CAPTION
        if shown != BOARD_CAPTION:
            raise Failure(f"game window's X title is {shown!r}, expected {BOARD_CAPTION!r}")
        # The icon is drawn while the name box is up and given to every window when done.
        if self.board and not {16, 32, 48}.issubset(desktop.icon_sizes(self.board)):
            raise Failure(f"game window's icon has sizes {desktop.icon_sizes(self.board)}, expected 16 to 256")
        return nodes

    def check_counters(self, nodes):
        expected = (self.right, self.wrong, self.right + self.wrong)
        found = self.counters(nodes)
        if found != expected:
            raise Failure(f"counters under {COUNTER_HEADINGS} read {found}, expected {expected}\n"
                          f"{describe(nodes)}")

    def answer(self, correctly, shoot_line=False):
        """Plays one exercise: reads it off the screen, answers, checks the outcome, and
        asks for the next one with Enter.

        The exercise line shows only while the child types, so a key is typed to bring it
        up, read, and rubbed out before the answer goes in."""
        desktop.focus(self.board)
        nodes = self.nodes()
        if self.exercise_line(nodes):
            raise Failure(f"the exercise line shows before anything is typed\n{describe(nodes)}")
        desktop.type_text("0")

        def line_up(nodes):
            box = self.answer_box(nodes)
            return box and box.text == "0" and self.exercise_line(nodes)
        first, sign, second = self.until("the exercise line '9 X n' after typing a key", line_up)
        factor = number_of(second)
        if number_of(first) != 9 or not 1 <= factor <= 10:
            raise Failure(f"exercise reads {first.caption!r} {sign.caption!r} {second.caption!r}; "
                          "expected 9 X a number from 1 to 10")

        product = 9 * factor
        reply = product if correctly else product + 9  # the next row's product: a child's slip
        desktop.press("BackSpace")
        self.until("the answer box empty again after BackSpace",
                   lambda nodes: (b := self.answer_box(nodes)) and not b.text)
        desktop.type_text(str(reply))
        nodes = self.until(f"{reply} in the answer box with the exercise line up",
                           lambda nodes: (b := self.answer_box(nodes)) and b.text == str(reply)
                           and self.exercise_line(nodes) and nodes)
        self.check_clear("the exercise line while typing",
                         (*self.exercise_line(nodes), self.answer_box(nodes)))
        if shoot_line:
            self.shots.once("02-exercise-line")
        desktop.press("Return")

        expected = RIGHT if correctly else wrong(product)
        if correctly:
            self.right += 1
        else:
            self.wrong += 1
        print(f"  9 x {factor}: answered {reply}, expecting {expected!r}", flush=True)
        nodes = self.until(f"the outcome {expected!r}", lambda nodes: self.outcome(nodes) and nodes)
        outcome = outcome_of(self.outcome(nodes))
        if outcome != expected:
            raise Failure(f"after answering {reply} to 9 X {factor} the window says {outcome!r}, "
                          f"expected {expected!r}")
        self.check_counters(nodes)
        if self.exercise_line(nodes):
            raise Failure(f"the exercise line still shows after Enter\n{describe(nodes)}")
        self.check_clear("the outcome", [self.outcome(nodes)])
        self.note_hidden("counter", [self.counter(nodes, h) for h in COUNTER_HEADINGS])
        self.until("the focus on the 'Nuovo calcolo' button",
                   lambda nodes: (f := self.focused(nodes)) and f.role == "push button"
                   and "Nuovo calcolo" in f.name and f.enabled)
        self.shots.once("03-right" if correctly else "04-wrong")

        desktop.focus(self.board)
        desktop.press("Return")
        self.until("a new exercise: no outcome shown, focus in the empty answer box",
                   lambda nodes: not self.outcome(nodes)
                   and (b := self.answer_box(nodes)) and b.focused and not b.text)

    def check_spoken_names(self, nodes):
        """What a screen reader says for the window: every control has an Italian name, and
        the counters and the clock have their captions. A label with nothing on it (no
        record yet) is passed over, not read as an empty name."""
        speaking = [n for n in self.on_board(nodes)
                    if n.role in ("label", "push button", "text", "entry", "image", "icon")]
        silent = [n for n in speaking if not n.name.strip() and n.role != "label"]
        if silent:
            raise Failure("controls with no spoken name:\n" + describe(silent))
        names = [n.name for n in speaking]
        for meaning in ("Risposte esatte", "Risposte errate", "Risposte totali",
                        "Tempo restante", "Nuovo calcolo", "Esci", "Risultato", "Cronometro"):
            if not any(name.startswith(meaning) for name in names):
                raise Failure(f"no control is spoken as {meaning!r}; names: {names}")

    def leave(self, new_record):
        """Exit (Alt+X), the goodbye box, the record box when new_record, and the end."""
        desktop.focus(self.board)
        desktop.press("alt+x")
        self.confirm(GOODBYE, shot="06-goodbye")
        if new_record:
            self.confirm(RECORD, shot="05-record")

        def ended():
            status = self.proc.poll()
            if status is not None:
                return ("exit", status)
            nodes = desktop.snapshot(self.app) or []
            for box in self._boxes(nodes):
                text = self.box_text(nodes, box)
                if text:
                    return ("box", text)
            return None

        what, value = wait_for("the program to end", ended, 10, self._program_state)
        if what == "box":
            raise Failure(f"another box opened instead of the program ending: {value!r}")
        if value != 0:
            raise Failure(f"the program ended with status {value}\n{self._program_state()}")


def read_files(paths):
    out = []
    for p in paths:
        if not os.path.exists(p):
            raise Failure(f"{p} does not exist")
        with open(p, "rb") as f:
            out.append(f.read())
    return tuple(out)


def check_files(paths, expected, why):
    found = read_files(paths)
    if found != expected:
        raise Failure(f"record files ({why}):\n"
                      + "\n".join(f"  {os.path.basename(p)}: {f!r} (expected {e!r})"
                                  for p, f, e in zip(paths, found, expected)))


def play(program, shots, files, name, answers, record_before, new_record):
    """One game: returns how many answers were right. record_before is the (holder, score)
    the window must show, None for the very first game."""
    print(f"game as {name!r}: answers {['right' if a else 'wrong' for a in answers]}", flush=True)
    with Game(program, shots) as game:
        game.enter_name(name)
        game.confirm(greeting(name), shot="01-greeting")
        nodes = game.wait_board()
        game.check_counters(nodes)
        game.check_spoken_names(nodes)
        if record_before is None:
            check_files(files, (b"", b""), "created empty by the first game")
        else:
            shown = game.record_line(nodes)
            if shown != record_before:
                raise Failure(f"record line reads {shown}, expected {record_before}\n"
                              f"{describe(nodes)}")
        if game.challenger(nodes) != name:
            raise Failure(f"under 'Sfidante' reads {game.challenger(nodes)!r}, expected {name!r}")
        for i, correctly in enumerate(answers):
            # The exercise line is shot late, with the wizard and his balloon about.
            game.answer(correctly, shoot_line=(i == len(answers) - 1))
        game.leave(new_record)
        return game.right


def main():
    program = sys.argv[1]
    shots = Shots()
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "tirlindo")
    files = (os.path.join(folder, "aquizrec9.txt"), os.path.join(folder, "nquizrec9.txt"))
    if any(os.path.exists(p) for p in files):
        raise Failure(f"{folder} must start without record files")
    started = time.monotonic()

    # The first game ever: the record files start empty and 3 right answers beat them.
    right = play(program, shots, files, "Niccolò", [True, False, True, True, False], None, True)
    check_files(files, record_file_bytes(right, "Niccolò"), "after the first record")
    kept = read_files(files)
    shown = ("Niccolò", right)

    # A lower score leaves the record and its holder as they were, and says nothing of it.
    play(program, shots, files, "Anna", [False, True, False], shown, False)
    check_files(files, kept, "a lower score must not touch them")

    # Equalling the record is not beating it.
    play(program, shots, files, "Zoë", [True] * right, shown, False)
    check_files(files, kept, "an equal score must not touch them")

    # Beating it replaces both files whole, the new holder in the old code page too.
    right = play(program, shots, files, "Zoë", [True] * (right + 1), shown, True)
    check_files(files, record_file_bytes(right, "Zoë"), "after beating the record")

    print(f"e2e: all games played as expected in {time.monotonic() - started:.1f} s; "
          f"screenshots in {shots.dir}", flush=True)


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print(f"e2e FAILED: {failure}", file=sys.stderr, flush=True)
        sys.exit(1)
