# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""Measures a recording of the wizard's voice: 22050 Hz mono s16le, as parec writes it.

The recording is cut into phrases at silences longer than a second: the first is the
introduction, the second the first dictation ("9" "per" and the factor, three requests).

Printed per phrase: median pitch and its spread (5th to 95th percentile of voiced 30 ms
frames, in semitones), the share of energy above 7 kHz, the peak; for the dictation the two
longest silences inside it, which are the pauses between its three words.

usage: voice_measure.py FILE.raw
"""

import sys

import numpy as np

RATE = 22050
FRAME = int(0.030 * RATE)
HOP = int(0.010 * RATE)
SILENCE_DB = -45.0          # frame level under the loudest phrase's level that counts as silence
PHRASE_GAP_S = 1.0


def frames(x, size, hop):
    n = 1 + max(0, (len(x) - size) // hop)
    idx = np.arange(size)[None, :] + hop * np.arange(n)[:, None]
    return x[idx]


def levels_db(x):
    f = frames(x, int(0.010 * RATE), int(0.010 * RATE))
    rms = np.sqrt(np.mean(f * f, axis=1)) + 1e-9
    return 20 * np.log10(rms)


def pitch_track(x):
    """Pitch per 30 ms frame (10 ms hop) by YIN's normalised difference, 60-400 Hz; 0 where
    unvoiced."""
    lo, hi = int(RATE / 400), int(RATE / 60)
    width = FRAME - hi
    f = frames(x, FRAME, HOP)
    energy = np.sum(f * f, axis=1)
    loud = energy > (np.max(energy) * 10 ** (-35 / 10))
    out = np.zeros(len(f))
    lags = np.arange(1, hi + 1)
    for i in np.nonzero(loud)[0]:
        fr = f[i]
        base = fr[:width]
        shifted = np.lib.stride_tricks.sliding_window_view(fr, width)[1 : hi + 1]
        d = np.sum((shifted - base) ** 2, axis=1)
        cmnd = d * lags / np.maximum(np.cumsum(d), 1e-12)
        below = np.nonzero(cmnd[lo - 1 :] < 0.2)[0]
        if not len(below):
            continue
        k = lo - 1 + int(below[0])
        while k + 1 < len(cmnd) and cmnd[k + 1] < cmnd[k]:
            k += 1
        if k <= lo - 1:
            continue  # a dip cut off by the search's edge, not a period
        lag = k + 1.0
        if 0 < k < len(cmnd) - 1:
            y0, y1, y2 = cmnd[k - 1], cmnd[k], cmnd[k + 1]
            den = y0 - 2 * y1 + y2
            if den != 0:
                lag += 0.5 * (y0 - y2) / den
        out[i] = RATE / lag
    return out


def high_band_db(x, cutoff=7000):
    power = np.abs(np.fft.rfft(x)) ** 2
    freqs = np.fft.rfftfreq(len(x), 1 / RATE)
    return 10 * np.log10(power[freqs >= cutoff].sum() / power.sum())


def runs(mask):
    """(start, end) index pairs of the runs of True."""
    m = np.concatenate(([False], mask, [False])).astype(int)
    d = np.diff(m)
    return list(zip(np.nonzero(d == 1)[0], np.nonzero(d == -1)[0]))


def main():
    raw = np.fromfile(sys.argv[1], dtype="<i2").astype(np.float64) / 32768.0
    lv = levels_db(raw)
    sound = lv > (lv.max() + SILENCE_DB)
    # Phrases: sound separated by more than a second of silence (10 ms steps).
    phrases = []
    for s, e in runs(sound):
        if phrases and s - phrases[-1][1] < PHRASE_GAP_S * 100:
            phrases[-1] = (phrases[-1][0], e)
        else:
            phrases.append((s, e))
    phrases = [(s, e) for s, e in phrases if e - s >= 20]
    if not phrases:
        print("no sound recorded")
        return 1
    names = ["introduction", "dictation"] + [f"phrase {i + 3}" for i in range(len(phrases))]
    for name, (s, e) in zip(names, phrases):
        seg = raw[s * RATE // 100: e * RATE // 100]
        f0 = pitch_track(seg)
        voiced = f0[f0 > 0]
        peak = 20 * np.log10(np.max(np.abs(seg)) + 1e-12)
        print(f"{name}: {len(seg) / RATE:.2f} s from {s / 100:.2f} s")
        if len(voiced) >= 5:
            p5, p50, p95 = np.percentile(voiced, [5, 50, 95])
            print(f"  median pitch        {p50:6.1f} Hz")
            print(f"  pitch range p5-p95  {12 * np.log2(p95 / p5):6.1f} semitones ({p5:.0f}-{p95:.0f} Hz,"
                  f" {len(voiced)} voiced frames)")
        print(f"  energy above 7 kHz  {high_band_db(seg):6.1f} dB of the whole")
        print(f"  peak                {peak:6.1f} dBFS")
        if name == "dictation":
            inner = [(a, b) for a, b in runs(~sound[s:e])]
            # Three words, two pauses: the two longest silences, in order of time.
            pauses = sorted(sorted(inner, key=lambda r: r[0] - r[1])[:2])
            print("  pauses between words " + ", ".join(
                f"{(b - a) * 10} ms at {(s + a) / 100:.2f} s" for a, b in pauses))
            # How each word ends: its last voiced 60 ms against its own median. A sentence's
            # end falls several semitones; a phrase that goes on stays level or rises.
            cuts = [0] + [p for pair in pauses for p in pair] + [e - s]
            ends = []
            for w in range(3):
                word = raw[(s + cuts[2 * w]) * RATE // 100: (s + cuts[2 * w + 1]) * RATE // 100]
                wf = pitch_track(word)
                v = wf[wf > 0]
                ends.append(f"{12 * np.log2(np.median(v[-6:]) / np.median(v)):+.1f}" if len(v) >= 8 else "?")
            print("  end of each word    " + " / ".join(ends) + " semitones against its median")
    return 0


if __name__ == "__main__":
    sys.exit(main())
