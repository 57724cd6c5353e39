# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""Plays a short game with the real Orca screen reader listening, and checks what Orca says.

Runs on the X server and buses that run-e2e.sh set up, and adds what a blind child's desktop
has: a window manager (metacity), speech-dispatcher and Orca, in Italian. Every utterance
Orca makes appears in its debug file as a "SPEECH OUTPUT" line; after each step (the name
box, the window opening, a right answer, the next exercise, a wrong answer, the goodbye)
the utterances since the step began are checked, at three steps the "BRAILLE LINE" too. The
wizard and Orca play into two null sinks of a private sound server, and how long they spoke
at once is reported per step.

usage: run-e2e.sh PATH/TO/tirlindo orca_game.py
  TIRLINDO_E2E_SHOTS=DIR  where the transcript and Orca's debug file are kept
"""

import os
import re
import shutil
import subprocess
import sys

import desktop
import play_game
from desktop import Failure, wait_for

WORK = os.environ["TIRLINDO_E2E_WORK"]
NAME = "Lia"

# Orca refuses to start while any other Orca of this user runs (a developer's own screen
# reader, say); this one lives in its own session and must neither refuse nor disturb it.
# Its debug file is written line by line, so that it can be read while Orca runs.
ORCA = """
import builtins, runpy, sys
sys.argv[0] = "orca"
script = runpy.run_path("/usr/bin/orca", run_name="orca_in_test")
names = script["main"].__globals__
names["otherOrcas"] = lambda: []
names["open"] = lambda path, mode="r": builtins.open(path, mode, buffering=1)
sys.exit(script["main"]())
"""

SPOKEN = re.compile(r"^(\d\d):(\d\d):(\d\d\.\d+) - SPEECH OUTPUT: '(.*)'$")
VOICE = re.compile(r"' ?\[?\{'.*\}\]?\s*$")  # the voice settings after the text, on some lines


class Orca:
    """Orca and what it needs, started in this session; its speech read from its log."""

    def __init__(self):
        missing = [tool for tool in ("orca", "speech-dispatcher", "metacity", "pulseaudio", "parec",
                                     "pactl", "xprop", "localedef") if not shutil.which(tool)]
        if missing:
            raise Failure(f"missing {' '.join(missing)} (tools/debian-packages.txt lists the packages; "
                          "./dev.sh test installs them)")
        self.log = os.path.join(WORK, "orca-debug.out")
        self.procs = []
        self.env = dict(os.environ)
        self._italian()
        self._sound()
        self._start(["metacity", "--replace", "--sm-disable"], "metacity.log")
        wait_for("metacity to manage the screen", self._wm_running, 20, lambda: self._tail("metacity.log"))
        speech_logs = os.path.join(WORK, "speechd")
        os.makedirs(speech_logs, exist_ok=True)
        self._start(["speech-dispatcher", "-s", "-t", "0", "-l", "3", "-L", speech_logs], "speechd.log",
                    PULSE_SINK="orca")
        prefs = os.path.join(WORK, "orca-prefs")
        os.makedirs(prefs, exist_ok=True)
        self._start(["/usr/bin/python3", "-c", ORCA, "--debug-file", self.log, "-u", prefs], "orca.log")
        wait_for("Orca to start speaking", lambda: self.utterances(), 60, lambda: self._tail("orca.log"))
        self.mark = 0

    def _italian(self):
        """A child's Italian desktop: Orca's own words in Italian, without touching the system."""
        locales = os.path.join(WORK, "locale")
        os.makedirs(locales, exist_ok=True)
        subprocess.run(["localedef", "-i", "it_IT", "-f", "UTF-8", os.path.join(locales, "it_IT.UTF-8")],
                       check=False, capture_output=True, timeout=60)
        if os.path.isdir(os.path.join(locales, "it_IT.UTF-8")):
            self.env.update(LOCPATH=locales, LANG="it_IT.UTF-8", LC_ALL="it_IT.UTF-8", LANGUAGE="it")
        else:
            print("  note: no it_IT.UTF-8 locale (package 'locales'); Orca speaks English", flush=True)

    def _sound(self):
        """A sound server of our own with one null sink for the game and one for Orca, each
        recorded on its own: without one, speech-dispatcher blocks Orca at its third phrase."""
        self._start(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--log-target=stderr",
                     "-L", "module-null-sink sink_name=game rate=22050 channels=1",
                     "-L", "module-null-sink sink_name=orca rate=22050 channels=1",
                     "-L", "module-native-protocol-unix"], "pulse.log")
        wait_for("the sound server", lambda: subprocess.run(["pactl", "info"], capture_output=True).returncode == 0,
                 20, lambda: self._tail("pulse.log"))
        subprocess.run(["pactl", "set-default-sink", "game"], check=True, capture_output=True)
        subprocess.run(["pactl", "unload-module", "module-suspend-on-idle"], capture_output=True)
        self.recordings = {}
        self.steps = []
        for sink in ("game", "orca"):
            path = os.path.join(WORK, sink + ".raw")
            self.recordings[sink] = path
            self._start(["parec", "-d", sink + ".monitor", "--rate=22050", "--channels=1", "--format=s16le",
                         path], sink + "-rec.log")

    def _start(self, argv, logname, **extra):
        out = open(os.path.join(WORK, logname), "w")
        self.procs.append(subprocess.Popen(argv, env=dict(self.env, **extra), stdout=out,
                                           stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL))

    def _tail(self, logname):
        try:
            with open(os.path.join(WORK, logname), errors="replace") as f:
                return "  " + f.read()[-2000:]
        except OSError as e:
            return f"  {e}"

    @staticmethod
    def _wm_running():
        done = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True, text=True)
        return "window id" in done.stdout

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
        for proc in reversed(self.procs):
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()

    def utterances(self):
        """Everything Orca has said so far, as (seconds of the day, text)."""
        try:
            with open(self.log, errors="replace") as f:
                lines = f.read().splitlines()
        except OSError:
            return []
        said = []
        for line in lines:
            m = SPOKEN.match(VOICE.sub("'", line.rstrip()))
            if m:
                h, mi, s, text = m.groups()
                said.append((int(h) * 3600 + int(mi) * 60 + float(s), text))
        return said

    def expect_braille(self, pattern):
        """Waits until the braille line Orca last wrote in this step matches pattern."""
        def last():
            with open(self.log, "rb") as f:
                f.seek(self.log_mark)
                return (re.findall(r" - BRAILLE LINE:  '(.*)'$", f.read().decode(errors="replace"), re.M) or [""])[-1]
        wait_for(f"a braille line matching {pattern!r}", lambda: re.search(pattern, last()), 10, lambda: f"  {last()!r}")

    def handled(self, key, times):
        """Waits until Orca has dealt with key pressed times in this step (and so has said
        whatever it says for it)."""
        marker = f"^^^^^ CONSUME ATSPI_KEY_PRESSED_EVENT: '{key}'"

        def count():
            with open(self.log, "rb") as f:
                f.seek(self.log_mark)
                return f.read().decode(errors="replace").count(marker)
        wait_for(f"Orca to handle {key} {times} time(s)", lambda: count() >= times, 10,
                 lambda: f"  handled {count()} time(s)")

    def transcript(self):
        said = self.utterances()
        if not said:
            return "(nothing)"
        t0 = said[0][0]
        return "\n".join(f"{t - t0:7.2f} s  {text}" for t, text in said)

    FRAME = 441  # 20 ms at 22050 Hz, 16-bit mono: 882 bytes

    def _loud(self, sink, start=0, end=None):
        """For each 20 ms of one sink's recording, whether it is sound (above -40 dBFS)."""
        with open(self.recordings[sink], "rb") as f:
            f.seek(start)
            data = f.read(None if end is None else max(0, end - start))
        samples = memoryview(data[: len(data) // 2 * 2]).cast("h")
        n = self.FRAME
        return [(sum(x * x for x in samples[i:i + n]) / n) ** 0.5 > 327
                for i in range(0, len(samples) - n + 1, n)]

    def _sizes(self):
        return {sink: os.path.getsize(path) // 882 * 882 for sink, path in self.recordings.items()}

    def wait_for_silence(self, timeout=60):
        """Waits, as the wizard asks the child to, until he and Orca have both been quiet for
        a second."""
        def quiet():
            sizes = self._sizes()
            return all(sizes[s] > 44100 and not any(self._loud(s, sizes[s] - 44100, sizes[s]))
                       for s in sizes)
        wait_for("the wizard and Orca to fall silent", quiet, timeout, lambda: "  still speaking")

    def overlap(self):
        """How long the wizard and Orca spoke in each step, and for how long both at once."""
        lines = []
        bounds = self.steps + [("end", self._sizes())]
        for (name, begin), (_, end) in zip(bounds, bounds[1:]):
            game = self._loud("game", begin["game"], end["game"])
            orca = self._loud("orca", begin["orca"], end["orca"])
            both = sum(1 for g, o in zip(game, orca) if g and o)
            lines.append(f"  {name:28} wizard {sum(game) * 0.02:5.1f} s  Orca {sum(orca) * 0.02:5.1f} s  "
                         f"both at once {both * 0.02:5.1f} s")
        return "\n".join(lines)

    def since_mark(self):
        return [text for _, text in self.utterances()[self.mark:]]

    def step(self, what):
        """Starts a step: what Orca says from now on belongs to it, and so do the sounds."""
        self.mark = len(self.utterances())
        self.log_mark = os.path.getsize(self.log)
        self.steps.append((what, self._sizes()))
        print(f"-- {what}", flush=True)

    def expect(self, what, patterns, timeout=20):
        """Waits until Orca has said, since the step began, something matching each of
        patterns in order; returns the utterances of the step."""
        def heard():
            said = self.since_mark()
            i = 0
            for text in said:
                if i < len(patterns) and re.search(patterns[i], text):
                    i += 1
            return said if i == len(patterns) else None
        said = wait_for(f"Orca saying {what}", heard, timeout,
                        lambda: "  Orca said:\n" + "\n".join(f"    {t!r}" for t in self.since_mark()))
        # What follows (a tool tip read after the outcome, say) belongs to the step too.
        self.wait_for_silence()
        said = self.since_mark()
        for text in said:
            print(f"   orca: {text}", flush=True)
        return said


FACTORS = {"uno": 1, "due": 2, "tre": 3, "quattro": 4, "cinque": 5, "sei": 6, "sette": 7,
           "otto": 8, "nove": 9, "dieci": 10}


def factor_spoken(said):
    """The second factor of the exercise Orca read ("9 per tre." gives 3), or None."""
    for text in said:
        m = re.fullmatch(r"9 per (\w+)\.?", text.strip())
        if m and m.group(1) in FACTORS:
            return FACTORS[m.group(1)]
    return None


def never(said, pattern, why):
    found = [t for t in said if re.search(pattern, t)]
    if found:
        raise Failure(f"Orca said {found[0]!r}: {why}")


def flat_review(orca):
    """Reads the game window line by line with Orca's flat review, top to bottom."""
    orca.step("flat review of the window")
    subprocess.run(["xdotool", "keydown", "Insert", "key", "KP_Home", "keyup", "Insert"], check=True)
    orca.handled("KP_Home", 1)
    for line in range(17):
        desktop.press("KP_Page_Up")
        orca.handled("KP_Page_Up", line + 1)
    said = orca.since_mark()
    for text in said:
        print(f"   orca: {text}", flush=True)
    return said


def main():
    program = sys.argv[1]
    orca = Orca()
    # As on a child's desktop: the program turns its accessibility on because a screen
    # reader runs, not because it is forced to.
    os.environ.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    try:
        shots = play_game.Shots()
        with play_game.Game(program, shots) as game:
            orca.step("the name box")
            orca.expect("the name box and its question", [r"^Tirlindo dialogo", r"^Come ti chiami\? testo"])
            desktop.type_text(NAME)
            game.until(f"{NAME!r} typed in the name box",
                       lambda nodes: any(n.editable and n.text == NAME for n in nodes))
            desktop.press("Return")
            orca.step("the greeting")
            orca.expect("the greeting box", [r"^allerta Tirlindo", f"{NAME} vediamo se sei un vero campione",
                                              r"^OK pulsante"])
            desktop.press("Return")

            orca.step("the window opening")
            said = orca.expect("the window, then the answer box with the exercise",
                               [r"^TIRLINDO - la tabellina del 9 cornice", r"^Risultato testo", r"^9 per \w+"])
            factor = factor_spoken(said)
            if factor is None:
                raise Failure(f"no exercise '9 per ...' among {said}")
            orca.expect_braille(rf" 9 per {list(FACTORS)[factor - 1]} Risultato  \$l$")
            frame = next(game.app.getChildAtIndex(i) for i in range(game.app.childCount)
                         if "TIRLINDO" in (game.app.getChildAtIndex(i).name or ""))
            locale = frame.get_object_locale()
            print(f"   locale of the window on AT-SPI: {locale!r}", flush=True)
            if not (locale or "").startswith("it"):
                raise Failure(f"the window reports the locale {locale!r}, not Italian")

            # The answer typed, the exercise shows: flat review reads it, and every counter once.
            orca.wait_for_silence()
            desktop.type_text(str(9 * factor))
            game.until("the exercise line on display", lambda nodes: game.exercise_line(nodes))
            shots.once("orca-02-exercise-line")
            said = flat_review(orca)
            text = " | ".join(said)
            # Orca puts the sign on a line of its own: the stopwatch's icon sits between.
            if not re.search(rf"(^| )9( X)? {factor}( |$)", text, re.M) or "X" not in [t.strip() for t in said] + text.split():
                raise Failure(f"flat review did not read the exercise 9 X {factor}: {said}")
            for heading in play_game.COUNTER_HEADINGS:
                if text.count(heading) != 1:
                    raise Failure(f"flat review read {heading!r} {text.count(heading)} times: {said}")
            never(said, r"Il record . di Il record", "the record line doubled")

            orca.wait_for_silence()
            orca.step("a right answer")
            desktop.press("Return")
            said = orca.expect("the outcome and the counters with the button",
                               [r"^Nuovo calcolo pulsante", r"^Esatto\. Sei forte!!! Risposte esatte 1, errate 0, totali 1"])
            never(said, r"Usa il tasto Return", "the tool tip, read in place of the outcome")
            orca.expect_braille(r" Esatto\. Sei forte!!! Risposte esatte 1, errate 0, totali 1 Nuovo calcolo pulsante$")
            shots.once("orca-03-right")

            orca.wait_for_silence()
            orca.step("the next exercise")
            desktop.press("Return")
            said = orca.expect("the answer box with the new exercise", [r"^Risultato testo", r"^9 per \w+"])
            factor = factor_spoken(said)
            orca.expect_braille(rf" 9 per {list(FACTORS)[factor - 1]} Risultato  \$l$")

            orca.wait_for_silence()
            desktop.type_text(str(9 * factor + 9))
            orca.wait_for_silence()
            orca.step("a wrong answer")
            desktop.press("Return")
            said = orca.expect("the correction and the counters with the button",
                               [r"^Nuovo calcolo pulsante",
                                rf"^Sbagliato!! {9 * factor}\. Risposte esatte 1, errate 1, totali 2"])
            never(said, r"Usa il tasto Return", "the tool tip, read in place of the outcome")

            orca.wait_for_silence()
            orca.step("the goodbye")
            desktop.press("alt+x")
            orca.expect("the goodbye box", [r"^allerta Tirlindo", r"^Ciao\. Ti aspetto per la prossima sfida",
                                             r"^OK pulsante"])
            desktop.press("Return")
            orca.step("the new record")
            orca.expect("the record box", [r"^allerta Tirlindo", r"^Ok ho registrato il tuo record"])
            desktop.press("Return")
            wait_for("the program to end", lambda: game.proc.poll() is not None, 15, game._program_state)
    finally:
        orca.stop()
        transcript = orca.transcript()
        print("== what Orca said ==\n" + transcript, flush=True)
        shots_dir = os.environ.get("TIRLINDO_E2E_SHOTS")
        if shots_dir:
            with open(os.path.join(shots_dir, "orca-transcript.txt"), "w") as f:
                f.write(transcript + "\n")
            shutil.copy(orca.log, os.path.join(shots_dir, "orca-debug.out"))
    print("== the two voices ==\n" + orca.overlap(), flush=True)
    print("e2e: Orca spoke as expected at every step", flush=True)


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print(f"e2e FAILED: {failure}", file=sys.stderr, flush=True)
        sys.exit(1)
