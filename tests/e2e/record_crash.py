# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""Crashes and failures while a new record is saved: the next start shows the old record and
holder or the new ones, never one of each.

A first game beats the record with the shim (faultshim.so, LD_PRELOAD) only counting the file
calls that tirlindo-record, the program the game runs to save, makes in the data folder. Then,
for every call from its first new file on, a game is played again from the old record with
tirlindo-record killed just before that call, killed just after it, or with the call failing;
each time the game is started again and what its window shows, and what the folder holds
(the lock file aside), is checked.

usage: record_crash.py PATH/TO/tirlindo PATH/TO/faultshim.so [MODE...]
  (modes: kill-before kill-after fail; all three by default)
"""

import os
import shutil
import signal
import sys
import time

import desktop
import play_game
from desktop import Failure, wait_for

OLD = ("Vecchio", 0)
NEW = ("Nuova", 1)


def files_for(pair):
    return f"{pair[1]}\r\n".encode(), f"{pair[0]}\r\n".encode("cp1252")


def reset(folder, score, holder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for path, content in zip((score, holder), files_for(OLD)):
        with open(path, "wb") as f:
            f.write(content)


def play_to_the_end(program, shots):
    """Beats the old record of 0 with one right answer and leaves. Returns how the program
    ended: 'killed', ('error', text) or 'saved'."""
    with play_game.Game(program, shots) as game:
        game.enter_name(NEW[0])
        game.confirm(play_game.greeting(NEW[0]))
        game.wait_board()
        game.answer(correctly=True)
        desktop.focus(game.board)
        desktop.press("alt+x")
        game.confirm(play_game.GOODBYE)

        def outcome():
            status = game.proc.poll()
            if status is not None:
                return ("exit", status)
            nodes = desktop.snapshot(game.app) or []
            for box in game._boxes(nodes):
                text = game.box_text(nodes, box)
                if text:
                    return ("box", text)
            return None

        what, value = wait_for("the end of the save", outcome, 15, game._program_state)
        if what == "exit":
            if value == -signal.SIGKILL:
                return "killed"
            raise Failure(f"the program ended with status {value} and no box")
        if value == play_game.RECORD:
            game.confirm(play_game.RECORD)
            game.proc.wait(10)
            return "saved"
        game.confirm(value)
        status = game.proc.wait(10)
        if status != 1:
            raise Failure(f"after the error box the program ended with status {status}, not 1")
        return ("error", value)


def next_start(program, shots):
    """What the next start shows as the record: (holder, points)."""
    with play_game.Game(program, shots) as game:
        game.enter_name("Controllo")
        game.confirm(play_game.greeting("Controllo"))
        nodes = game.wait_board()
        return game.record_line(nodes)


def main():
    program, shim = sys.argv[1], os.path.realpath(sys.argv[2])
    modes = sys.argv[3:] or ["kill-before", "kill-after", "fail"]
    shots = play_game.Shots()
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "tirlindo")
    score, holder = os.path.join(folder, "aquizrec9.txt"), os.path.join(folder, "nquizrec9.txt")
    calls_log = os.path.join(os.environ["XDG_RUNTIME_DIR"], "calls.log")
    os.environ.update(FAULT_DIR=folder, FAULT_LOG=calls_log, LD_PRELOAD=shim, FAULT_PROGRAM="tirlindo-record")
    os.environ.pop("FAULT_AT", None)

    reset(folder, score, holder)
    if play_to_the_end(program, shots) != "saved":
        raise Failure("the game without faults did not save the record")
    with open(calls_log) as f:
        calls = [line.rstrip("\n").split(" ", 2) for line in f]
    first = next(int(n) for n, call, what in calls
                 if call == "open" and what.endswith("aquizrec9.txt.new"))
    end_calls = [(int(n), call, what) for n, call, what in calls if int(n) >= first]
    print(f"the save makes {len(end_calls)} file calls in the data folder from its first new file:", flush=True)
    for n, call, what in end_calls:
        print(f"  {n} {call} {os.path.basename(what) if '/' in what else what}", flush=True)

    failures = []
    tally = {}
    started = time.monotonic()
    for mode in modes:
        for n, call, what in end_calls:
            reset(folder, score, holder)
            os.environ.update(FAULT_AT=str(n), FAULT_MODE=mode, LD_PRELOAD=shim)
            try:
                ended = play_to_the_end(program, shots)
            finally:
                os.environ.pop("FAULT_AT", None)
                os.environ.pop("LD_PRELOAD", None)
            shown = next_start(program, shots)
            left = sorted(name for name in os.listdir(folder) if name != "quizrec9.lock")
            with open(score, "rb") as f1, open(holder, "rb") as f2:
                content = (f1.read(), f2.read())
            which = "new" if shown == NEW else "old" if shown == OLD else None
            kind = ended if isinstance(ended, str) else "error"
            tally[(mode, kind, which)] = tally.get((mode, kind, which), 0) + 1
            problems = []
            if which is None:
                problems.append(f"the next start shows {shown}")
            elif content != files_for(NEW if which == "new" else OLD):
                problems.append(f"the files hold {content}")
            if left != ["aquizrec9.txt", "nquizrec9.txt", "quizrec9.journal"][:2]:
                problems.append(f"the folder holds {left}")
            if not isinstance(ended, str) and "Impossibile salvare" not in ended[1] \
                    and "Impossibile aprire" not in ended[1] and "Impossibile scrivere" not in ended[1]:
                problems.append(f"the error box says {ended[1]!r}")
            if ended == "saved" and which != "new":
                problems.append("the record box was shown but the old record is back")
            note = ended[1].split(":", 1)[1].split("\n")[0].strip() if not isinstance(ended, str) else ended
            print(f"{mode} at {n} {call} {os.path.basename(what)}: {note}; next start shows {which} "
                  f"{shown}" + (f"  <-- {'; '.join(problems)}" if problems else ""), flush=True)
            if problems:
                failures.append(f"{mode} at call {n} ({call} {what}): {'; '.join(problems)}")
    print(f"{sum(tally.values())} runs in {time.monotonic() - started:.0f} s:", flush=True)
    for (mode, kind, which), count in sorted(tally.items(), key=str):
        print(f"  {mode}: program {kind}, next start shows the {which} pair: {count}", flush=True)
    if failures:
        raise Failure("\n  ".join(failures))
    print("e2e records: old pair or new pair after every crash and failure", flush=True)


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print(f"e2e FAILED: {failure}", file=sys.stderr, flush=True)
        sys.exit(1)
