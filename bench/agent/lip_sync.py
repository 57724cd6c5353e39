#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""How far the wizard's lips are from the sounds heard, from the frame log of a run
(TIRLINDO_FRAME_LOG=FILE, kept by agent/RequestLog, written by agent/FloatingCharacter.cpp):
    python3 bench/agent/lip_sync.py [-v] FILE      (-v: what was on screen around the late ones)

For every sound whose mouth shape differs from the one before: the time a mouth of its shape
first reached the screen, less the time the sound was heard. When a sound is heard comes from
the voice's own clock, the phrase's "played" steps (the audio position the sound output had
played when read): a step is only ever late, never early, so the freshest of them (smallest
wall time less position) places the phrase's start. Phrases paced without a synthesiser have
no sounds and are not counted."""

import statistics
import sys

LOOK_AHEAD_MS = 60  # a mouth shown this early still counts as shown for the sound


def parse(path):
    phrases, shown = {}, []
    for line in open(path, encoding="utf-8"):
        f = line.split()
        if len(f) < 3:
            continue
        t, kind = float(f[0]), f[1]
        if kind == "sounds":
            sounds = []
            for item in f[3:]:
                shape, _, rest = item.partition(":")
                name, _, ms = rest.rpartition("@")
                sounds.append((shape, name, int(ms)))
            phrases[f[2]] = {"sounds": sounds, "played": []}
        elif kind == "played" and f[2] in phrases:
            phrases[f[2]]["played"].append((t, int(f[3])))
        elif kind == "shown" and f[4] != "-":
            shown.append((t, " ".join(f[4:])))
    return phrases, shown


def main():
    verbose = "-v" in sys.argv[1:]
    phrases, shown = parse([a for a in sys.argv[1:] if a != "-v"][0])
    offsets, missed, opening = [], [], []
    for p in phrases.values():
        played = [(t, ms) for t, ms in p["played"] if ms > 0]
        if len(played) < 2 or not p["sounds"]:
            continue
        last = max(ms for _, ms in played)
        first = min(ms for _, ms in played)
        start = min(t - ms for t, ms in played if ms < last)
        # Of sounds that start together (a word's boundary "_|" and its first sound), the last is heard.
        sounds = [s for i, s in enumerate(p["sounds"]) if i + 1 == len(p["sounds"]) or p["sounds"][i + 1][2] != s[2]]
        for i, (shape, name, ms) in enumerate(sounds):
            before = sounds[i - 1][0] if i > 0 else "rest"
            if shape == before or shape == "rest" or ms >= last:
                continue
            heard = start + ms
            # Not a mouth left over from an earlier sound of the same shape: only from when the
            # sound after that one began.
            same = [j for j in range(i) if sounds[j][0] == shape]
            since = max(heard - LOOK_AHEAD_MS, start + sounds[same[-1] + 1][2] if same else heard - LOOK_AHEAD_MS)
            # Until the next sound with another shape begins: after that it was never shown.
            until = next((start + s[2] for s in sounds[i + 1:] if s[0] != shape), start + last)
            # Only the key mouths ("open 2") count; in-betweens name two shapes and a step.
            hit = [t for t, s in shown if since <= t <= until and s.split()[0] == shape and len(s.split()) == 2]
            if hit:
                offsets.append(hit[0] - heard)
                # Before the voice's clock first moves nothing says the sound has started.
                if ms < first:
                    opening.append(hit[0] - heard)
            else:
                missed.append((name, until - heard))
            if verbose and (not hit or abs(hit[0] - heard) > 40):
                print(f"{name} ({shape}) at {ms} ms: {f'{hit[0] - heard:+.1f} ms' if hit else 'never shown'}; on screen:")
                for t, s in shown:
                    if heard - 120 <= t <= heard + 120:
                        print(f"    {t - heard:+7.1f} ms {s}")
    if not offsets:
        print("no sounds with their mouth found")
        return 1
    worst = max(offsets, key=abs)
    later = list(offsets)
    for o in opening:
        later.remove(o)
    print(f"sounds with a mouth of their own: {len(offsets) + len(missed)}, "
          f"never on screen: {len(missed)} (lasting {', '.join(f'{n} {d:.0f} ms' for n, d in missed) or '-'})")
    print(f"mouth on screen less sound heard: median {statistics.median(offsets):+.1f} ms, "
          f"worst {worst:+.1f} ms, 90th percentile of |offset| "
          f"{sorted(abs(o) for o in offsets)[int(0.9 * (len(offsets) - 1))]:.1f} ms; "
          f"within 40 ms: {sum(abs(o) <= 40 for o in offsets)} of {len(offsets)}")
    if opening and later:
        print(f"  sounds heard before the voice's clock first moved (a phrase's first): {len(opening)}, "
              f"{min(opening):+.1f} to {max(opening):+.1f} ms; the rest: median {statistics.median(later):+.1f} ms, "
              f"worst {max(later, key=abs):+.1f} ms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
