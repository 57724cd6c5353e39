#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
"""Draws the wizard's parts as SVG files and writes the character manifest beside them.

Run it from anywhere after changing a drawing: python3 draw-merlin.py. Every part shares one
canvas so the component can stack them; outlines are solid because the window is cut to the
picture with a 1-bit mask (no soft edges survive that)."""

import json
import math
import os

W, H = 300, 260
CX = 112  # the wizard's middle line
INK = "#1d244a"
ROBE = "#3468dc"
ROBE_DARK = "#2549a8"
HAT = "#3a72ee"
HAT_DARK = "#2a55c4"
STAR = "#ffd43b"
SKIN = "#f8cfae"
SKIN_DARK = "#eba27e"
CHEEK = "#f4a0a0"
BEARD = "#ffffff"
BEARD_SHADE = "#dfe5ef"
WOOD = "#9a6233"
HERE = os.path.dirname(os.path.abspath(__file__))


def svg(body):
    return ('<!-- SPDX-License-Identifier: GPL-3.0-or-later -->\n'
            '<!-- SPDX-FileCopyrightText: Tirlindo developers -->\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{W}" height="{H}" '
            f'viewBox="0 0 {W} {H}">\n{body}\n</svg>\n')


def pts(points):
    return " ".join(f"{x:.1f},{y:.1f}" for x, y in points)


def star(cx, cy, r, rot=-90, fill=STAR, stroke=1.6):
    p = []
    for i in range(10):
        a = math.radians(rot + i * 36)
        rr = r if i % 2 == 0 else r * 0.45
        p.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    return (f'<polygon points="{pts(p)}" fill="{fill}" stroke="{INK}" '
            f'stroke-width="{stroke}" stroke-linejoin="round"/>')


def twinkle(cx, cy, r):
    """A four-pointed glint."""
    k = r * 0.28
    p = [(cx, cy - r), (cx + k, cy - k), (cx + r, cy), (cx + k, cy + k),
         (cx, cy + r), (cx - k, cy + k), (cx - r, cy), (cx - k, cy - k)]
    return (f'<polygon points="{pts(p)}" fill="#fffbe0" stroke="{INK}" '
            f'stroke-width="1.4" stroke-linejoin="round"/>')


def cloud(circles, fill="#e4dcfa"):
    """Puffs with one outline round the whole: dark discs first, then the fill on top."""
    out = [f'<circle cx="{x}" cy="{y}" r="{r + 2.2}" fill="{INK}"/>' for x, y, r in circles]
    out += [f'<circle cx="{x}" cy="{y}" r="{r}" fill="{fill}"/>' for x, y, r in circles]
    out += [f'<circle cx="{x - r * 0.3:.1f}" cy="{y - r * 0.35:.1f}" r="{r * 0.35:.1f}" fill="#ffffff" '
            f'opacity="0.7"/>' for x, y, r in circles if r > 9]
    return "\n".join(out)


# --- the wizard's body, head and face ---------------------------------------------------------

def body():
    robe = (f'<path d="M {CX-18},124 C {CX-34},128 {CX-42},138 {CX-44},152 L {CX-62},244 '
            f'Q {CX},258 {CX+62},244 L {CX+44},152 C {CX+42},138 {CX+34},128 {CX+18},124 Z" '
            f'fill="{ROBE}" stroke="{INK}" stroke-width="2.4" stroke-linejoin="round"/>')
    folds = (f'<path d="M {CX-22},170 Q {CX-30},205 {CX-34},246 M {CX+24},172 Q {CX+30},208 {CX+32},248" '
             f'fill="none" stroke="{ROBE_DARK}" stroke-width="3" stroke-linecap="round"/>')
    hem = (f'<path d="M {CX-60},236 Q {CX},250 {CX+60},236" fill="none" stroke="{STAR}" '
           f'stroke-width="4"/>')
    shoes = "\n".join(
        f'<path d="M {x-14},252 Q {x-14},243 {x},243 Q {x+12},243 {x+16},249 Q {x+22},247 {x+22},252 '
        f'Q {x+4},257 {x-14},252 Z" fill="#7b4a2a" stroke="{INK}" stroke-width="2"/>'
        for x in (CX - 26, CX + 12))
    stars = "\n".join([star(CX - 38, 226, 8, -80), star(CX + 2, 240, 6, -100),
                       star(CX + 40, 220, 7, -70), star(CX - 24, 196, 4.5), star(CX + 30, 192, 4.5)])
    return "\n".join([shoes, robe, folds, hem, stars])


def head():
    hair = "\n".join(
        f'<ellipse cx="{x}" cy="100" rx="11" ry="14" fill="{BEARD}" stroke="{INK}" stroke-width="2"/>'
        for x in (CX - 25, CX + 25))
    face = (f'<ellipse cx="{CX}" cy="104" rx="24" ry="23" fill="{SKIN}" stroke="{INK}" '
            f'stroke-width="2.2"/>')
    beard = (f'<path d="M {CX-26},100 C {CX-36},130 {CX-28},172 {CX-14},198 Q {CX-6},212 {CX},222 '
             f'Q {CX+6},212 {CX+14},198 C {CX+28},172 {CX+36},130 {CX+26},100 '
             f'C {CX+20},118 {CX+10},124 {CX},124 C {CX-10},124 {CX-20},118 {CX-26},100 Z" '
             f'fill="{BEARD}" stroke="{INK}" stroke-width="2.2" stroke-linejoin="round"/>')
    strands = (f'<path d="M {CX-16},140 Q {CX-18},165 {CX-10},190 M {CX},146 Q {CX+2},175 {CX},205 '
               f'M {CX+16},140 Q {CX+18},165 {CX+10},188" fill="none" stroke="{BEARD_SHADE}" '
               f'stroke-width="3" stroke-linecap="round"/>')
    cheeks = "\n".join(f'<circle cx="{x}" cy="112" r="5" fill="{CHEEK}"/>' for x in (CX - 15, CX + 15))
    nose = (f'<ellipse cx="{CX}" cy="111" rx="6.5" ry="5.5" fill="{SKIN_DARK}" stroke="{INK}" '
            f'stroke-width="1.6"/>')
    brows = "\n".join(
        f'<path d="M {x-9},95 Q {x},86 {x+9},93 Q {x},91 {x-9},95 Z" fill="{BEARD}" stroke="{INK}" '
        f'stroke-width="1.5" stroke-linejoin="round"/>' for x in (CX - 10, CX + 10))
    cone = (f'<path d="M {CX-38},82 Q {CX-22},46 {CX+6},10 Q {CX+12},2 {CX+18},8 '
            f'Q {CX+20},14 {CX+14},16 Q {CX+22},50 {CX+38},82 Z" fill="{HAT}" stroke="{INK}" '
            f'stroke-width="2.4" stroke-linejoin="round"/>')
    shade = (f'<path d="M {CX+14},18 Q {CX+22},50 {CX+36},80 L {CX+22},80 Q {CX+14},48 {CX+14},18 Z" '
             f'fill="{HAT_DARK}"/>')
    brim = (f'<ellipse cx="{CX}" cy="83" rx="52" ry="10" fill="{HAT}" stroke="{INK}" '
            f'stroke-width="2.4"/>')
    band = f'<path d="M {CX-37},80 Q {CX},90 {CX+37},80" fill="none" stroke="{STAR}" stroke-width="4"/>'
    hat_stars = "\n".join([star(CX - 8, 56, 8.5, -80), star(CX + 12, 36, 6, -95), star(CX + 16, 66, 4.5),
                           star(CX - 36, 84, 3.5), star(CX + 40, 85, 3.5)])
    return "\n".join([hair, face, beard, strands, cheeks, nose, brows, cone, shade, brim, band, hat_stars])


def moustache():
    lobes = []
    for s in (-1, 1):
        lobes.append(
            f'<path d="M {CX},116 C {CX+s*6},112 {CX+s*16},112 {CX+s*22},120 C {CX+s*24},124 {CX+s*20},127 '
            f'{CX+s*17},123 C {CX+s*12},120 {CX+s*6},124 {CX},121 Z" fill="{BEARD}" stroke="{INK}" '
            f'stroke-width="1.6" stroke-linejoin="round"/>')
    return "\n".join(lobes)


MOUTH_Y = 130
# Openings of the speaking mouth, closed to widest: half width and half height. Wide enough to
# read at the game's 205 pixels (about 14-18 px across).
SPEAK_MOUTHS = [(8.2 + 3.0 * math.sqrt(k / 11), 2.4 + 8.8 * k / 11) for k in range(12)]


def open_mouth(rx, ry):
    y = MOUTH_Y
    out = (f'<ellipse cx="{CX}" cy="{y + ry * 0.35:.1f}" rx="{rx}" ry="{ry}" fill="#6b1d2a" '
           f'stroke="{INK}" stroke-width="2"/>')
    if ry > 3.5:
        out += (f'<ellipse cx="{CX}" cy="{y + ry * 0.95:.1f}" rx="{rx * 0.6:.1f}" ry="{ry * 0.32:.1f}" '
                f'fill="#e86a7a"/>')
    return out


def mouth(kind):
    y = MOUTH_Y
    if kind == "closed":
        return (f'<path d="M {CX-9},{y-1} Q {CX},{y+6} {CX+9},{y-1}" fill="none" stroke="{INK}" '
                f'stroke-width="2.6" stroke-linecap="round"/>')
    if kind.startswith("say"):
        return open_mouth(*SPEAK_MOUTHS[int(kind[3:]) - 1])
    if kind == "o":
        return open_mouth(6.5, 8)
    if kind == "smile":
        # Kind and encouraging: a soft open smile, no teeth-baring grin.
        return (f'<path d="M {CX-10},{y-1} Q {CX},{y+4} {CX+10},{y-1} Q {CX},{y+11} {CX-10},{y-1} Z" '
                f'fill="#6b1d2a" stroke="{INK}" stroke-width="2.2" stroke-linejoin="round"/>')
    if kind == "grin":
        return (f'<path d="M {CX-13},{y-2} Q {CX},{y+17} {CX+13},{y-2} Z" fill="#6b1d2a" stroke="{INK}" '
                f'stroke-width="2.2" stroke-linejoin="round"/>'
                f'<ellipse cx="{CX}" cy="{y+7}" rx="5.5" ry="3" fill="#e86a7a"/>')
    raise ValueError(kind)


# --- lips that follow the sounds -------------------------------------------------------------
# Each sound class has its own mouth (names as the component knows them), in six openings set
# by the voice's loudness; between two of them, in-betweens a quarter, half and three quarters of
# the way so the mouth glides. A mouth is a few numbers, so an in-between is the numbers blended:
#   w: half width; up, down: the opening above and below the lips' line; ring: how far the
#   lips push out round it; teeth: depth of the upper teeth showing; tuck: the lower lip drawn
#   up under the teeth; press: lips pressed together; smile: how much the middle sags below the
#   corners; square: 0 for a pointed opening, 1 for a round one.
LIP = "#d9707c"
LIP_SHAPES = ["rest", "closed", "teeth", "round", "open", "spread", "narrow"]
LIP_OPENINGS = 6
LIP_STEPS = 4  # in-betweens at 1/4, 1/2 and 3/4


def lip_params(shape, k):
    f = k / (LIP_OPENINGS - 1)
    base = dict(w=9.0, up=0.0, down=0.0, ring=0.0, teeth=0.0, tuck=0.0, press=0.0, smile=0.0, square=0.5)
    if shape == "rest":
        base.update(smile=3.5)
    elif shape == "closed":
        base.update(w=8.0, press=1.0, smile=0.6)
    elif shape == "teeth":
        base.update(w=9.5, up=3.4, down=0.6, teeth=3.0, tuck=1.0, square=0.3)
    elif shape == "round":
        base.update(w=lerp(4.6, 6.4, f), up=lerp(3.0, 6.2, f), down=lerp(3.4, 7.0, f), ring=2.8, square=1.0)
    elif shape == "open":
        base.update(w=lerp(9.8, 11.2, f), up=lerp(3.2, 6.6, f), down=lerp(4.6, 10.0, f), teeth=2.2, square=0.65)
    elif shape == "spread":
        base.update(w=lerp(11.8, 13.2, f), up=lerp(1.8, 3.0, f), down=lerp(2.2, 4.4, f), teeth=2.3, smile=-0.6,
                    square=0.15)
    elif shape == "narrow":
        base.update(w=lerp(8.4, 9.4, f), up=lerp(1.4, 2.4, f), down=lerp(1.6, 3.2, f), teeth=1.7, square=0.35)
    else:
        raise ValueError(shape)
    return base


def lips(q):
    y = MOUTH_Y + 1
    w, e = q["w"], lerp(1.35, 2.6, q["square"])
    n = 24

    def across(scale=1.0):
        return [(-1 + 2 * i / n) * scale for i in range(n + 1)]

    def s(u):
        return max(0.0, 1 - abs(u) ** e) ** (1 / e)

    def mid(u):
        return y + q["smile"] * (1 - u * u)

    def top(u, grow=0.0):
        return mid(u) - (q["up"] + grow) * s(u)

    def bottom(u, grow=0.0):
        return mid(u) + (q["down"] + grow) * s(u)

    def poly(upper, lower, us, wide):
        points = [(CX + u * wide, upper(u)) for u in us] + [(CX + u * wide, lower(u)) for u in reversed(us)]
        return pts(points)

    out = []
    opening = q["up"] + q["down"]
    if q["ring"] > 0.3:
        g = q["ring"]
        out.append(f'<polygon points="{poly(lambda u: top(u, g), lambda u: bottom(u, g), across(), w + g)}" '
                   f'fill="{LIP}" stroke="{INK}" stroke-width="1.7" stroke-linejoin="round"/>')
    if opening > 0.9:
        cavity = poly(top, bottom, across(), w)
        out.append(f'<polygon points="{cavity}" fill="#6b1d2a"/>')
        if q["down"] > 4:
            d = q["down"] * 0.45
            tongue = [u * 0.7 for u in across()]
            out.append(f'<polygon points="{poly(lambda u: max(top(u), bottom(u) - d * s(u / 0.7)), bottom, tongue, w)}" '
                       f'fill="#e86a7a"/>')
        if q["teeth"] > 0.3:
            # A dark gap stays below the teeth, unless the lower lip comes up to them.
            t = min(q["teeth"], lerp(0.6, 1.0, q["tuck"]) * opening)
            band = [u * 0.82 for u in across()]
            out.append(f'<polygon points="{poly(top, lambda u: min(bottom(u), top(u) + t * s(u / 0.9) ** 0.5), band, w)}" '
                       f'fill="#ffffff"/>')
        out.append(f'<polygon points="{cavity}" fill="none" stroke="{INK}" stroke-width="2" '
                   f'stroke-linejoin="round"/>')
    else:
        if q["press"] > 0.1:
            g = 3.4 * q["press"]
            out.append(f'<polygon points="{poly(mid, lambda u: mid(u) + g * s(u), [u * 0.85 for u in across()], w)}" '
                       f'fill="{LIP}" stroke="{INK}" stroke-width="1.4" stroke-linejoin="round"/>')
        line = " ".join(f"{CX + u * w:.1f},{mid(u):.1f}" for u in across())
        out.append(f'<polyline points="{line}" fill="none" stroke="{INK}" stroke-width="{2.6 + 0.4 * q["press"]:.1f}" '
                   f'stroke-linecap="round" stroke-linejoin="round"/>')
    if q["tuck"] > 0.1:
        # The lower lip drawn up to the upper teeth: its top where the teeth end.
        lid = lambda u: top(u) + q["teeth"] * 0.8 + 0.4
        low = lambda u: bottom(u) + 3.6 * q["tuck"] * s(u)
        out.append(f'<polygon points="{poly(lid, low, [u * 0.8 for u in across()], w)}" fill="{LIP}" '
                   f'stroke="{INK}" stroke-width="1.5" stroke-linejoin="round"/>')
    return "\n".join(out)


def lip_between(a, b, step):
    # Drawn at the middle opening, whatever the two ends.
    middle = (LIP_OPENINGS - 1) / 2
    p, q = lip_params(a, middle), lip_params(b, middle)
    t = step / LIP_STEPS
    return lips({k: lerp(p[k], q[k], t) for k in p})


def lip_part(shape, k):
    # At rest the speaking mouth is the resting one, exactly; pressed lips and lips under the
    # teeth are the same however loud the sound.
    if shape == "rest":
        return "closed"
    return f"lip-{shape}-{1 if shape in ('closed', 'teeth') else k}"


def lip_parts():
    parts = {}
    for shape in LIP_SHAPES:
        for k in range(LIP_OPENINGS):
            if lip_part(shape, k) != "closed":
                parts[f"mouth-{lip_part(shape, k)}"] = lips(lip_params(shape, k))
    for i, a in enumerate(LIP_SHAPES):
        for b in LIP_SHAPES[i + 1:]:
            for step in range(1, LIP_STEPS):
                parts[f"mouth-lip-{a}-{b}-{step}"] = lip_between(a, b, step)
    return parts


def lip_frames():
    """Speak's frames after the loudness ones, each named for the mouth it shows."""
    frames = []
    for shape in LIP_SHAPES:
        for k in range(LIP_OPENINGS):
            frames.append({"parts": figure(mouth=lip_part(shape, k)), "ms": 100, "mouth": f"{shape} {k}"})
    for i, a in enumerate(LIP_SHAPES):
        for b in LIP_SHAPES[i + 1:]:
            for step in range(1, LIP_STEPS):
                frames.append({"parts": figure(mouth=f"lip-{a}-{b}-{step}"), "ms": 100, "mouth": f"{a} {b} {step}"})
    return frames


def eyes(kind):
    out = []
    for x in (CX - 10, CX + 10):
        y = 101
        if kind == "open":
            out.append(f'<ellipse cx="{x}" cy="{y}" rx="3.4" ry="4.4" fill="{INK}"/>'
                       f'<circle cx="{x+1.2}" cy="{y-1.6}" r="1.3" fill="#ffffff"/>')
        elif kind == "side":
            out.append(f'<ellipse cx="{x+2}" cy="{y}" rx="3.4" ry="4.4" fill="{INK}"/>'
                       f'<circle cx="{x+3.2}" cy="{y-1.6}" r="1.3" fill="#ffffff"/>')
        elif kind == "up":
            out.append(f'<ellipse cx="{x+1}" cy="{y-2}" rx="3.4" ry="4.4" fill="{INK}"/>'
                       f'<circle cx="{x+2}" cy="{y-3.6}" r="1.3" fill="#ffffff"/>')
        elif kind == "closed":
            out.append(f'<path d="M {x-4.5},{y+1} Q {x},{y+4} {x+4.5},{y+1}" fill="none" stroke="{INK}" '
                       f'stroke-width="2" stroke-linecap="round"/>')
        elif kind == "happy":
            out.append(f'<path d="M {x-4.5},{y+2} Q {x},{y-5} {x+4.5},{y+2}" fill="none" stroke="{INK}" '
                       f'stroke-width="2.2" stroke-linecap="round"/>')
    return "\n".join(out)


# --- arms: outlined tubes with a wide cuff, and hands -----------------------------------------

def unit(ax, ay, bx, by):
    d = math.hypot(bx - ax, by - ay)
    return (bx - ax) / d, (by - ay) / d


def arm(shoulder, elbow, wrist, hand="fist", wand=None, thumb_up=False):
    (sx, sy), (ex, ey), (wx, wy) = shoulder, elbow, wrist
    dx, dy = unit(ex, ey, wx, wy)
    nx, ny = -dy, dx
    path = f"M {sx},{sy} Q {ex},{ey} {wx},{wy}"
    out = [f'<path d="{path}" fill="none" stroke="{INK}" stroke-width="21" stroke-linecap="round"/>',
           f'<path d="{path}" fill="none" stroke="{ROBE}" stroke-width="16.5" stroke-linecap="round"/>']
    # The hand first, so the sleeve's cuff covers its wrist.
    hx, hy = wx + dx * 11, wy + dy * 11
    wand_svg = ""
    if wand is not None:
        a = math.radians(wand)
        ux, uy = math.cos(a), math.sin(a)
        bx, by = hx - ux * 10, hy - uy * 10
        tx, ty = hx + ux * 46, hy + uy * 46
        wand_svg = (f'<line x1="{bx:.1f}" y1="{by:.1f}" x2="{tx:.1f}" y2="{ty:.1f}" stroke="{INK}" '
                    f'stroke-width="7" stroke-linecap="round"/>'
                    f'<line x1="{bx:.1f}" y1="{by:.1f}" x2="{tx:.1f}" y2="{ty:.1f}" stroke="{WOOD}" '
                    f'stroke-width="3.6" stroke-linecap="round"/>'
                    f'<line x1="{hx + ux * 38:.1f}" y1="{hy + uy * 38:.1f}" x2="{tx:.1f}" y2="{ty:.1f}" '
                    f'stroke="#ffffff" stroke-width="3.6" stroke-linecap="round"/>'
                    + star(tx + ux * 3, ty + uy * 3, 6, wand - 90 + 36, stroke=1.4))
    hand_svg = f'<circle cx="{hx:.1f}" cy="{hy:.1f}" r="8" fill="{SKIN}" stroke="{INK}" stroke-width="2"/>'
    if hand == "open":
        fingers = []
        for k, spread in enumerate((-50, -22, 0, 22)):
            a = math.atan2(dy, dx) + math.radians(spread)
            fx, fy = hx + math.cos(a) * 11, hy + math.sin(a) * 11
            fingers.append((hx + math.cos(a) * 4, hy + math.sin(a) * 4, fx, fy))
        thumb_a = math.atan2(dy, dx) + math.radians(75)
        fingers.append((hx, hy, hx + math.cos(thumb_a) * 10, hy + math.sin(thumb_a) * 10))
        hand_svg = "".join(
            f'<line x1="{a:.1f}" y1="{b:.1f}" x2="{c:.1f}" y2="{d:.1f}" stroke="{INK}" stroke-width="6.5" '
            f'stroke-linecap="round"/>' for a, b, c, d in fingers)
        hand_svg += "".join(
            f'<line x1="{a:.1f}" y1="{b:.1f}" x2="{c:.1f}" y2="{d:.1f}" stroke="{SKIN}" stroke-width="3.2" '
            f'stroke-linecap="round"/>' for a, b, c, d in fingers)
        hand_svg += f'<circle cx="{hx:.1f}" cy="{hy:.1f}" r="7.5" fill="{SKIN}" stroke="{INK}" stroke-width="2"/>'
        hand_svg += f'<circle cx="{hx:.1f}" cy="{hy:.1f}" r="6" fill="{SKIN}"/>'
    if thumb_up:
        hand_svg = (f'<line x1="{hx:.1f}" y1="{hy:.1f}" x2="{hx:.1f}" y2="{hy - 15:.1f}" stroke="{INK}" '
                    f'stroke-width="8.5" stroke-linecap="round"/>'
                    f'<line x1="{hx:.1f}" y1="{hy:.1f}" x2="{hx:.1f}" y2="{hy - 15:.1f}" stroke="{SKIN}" '
                    f'stroke-width="4.6" stroke-linecap="round"/>'
                    f'<rect x="{hx - 8:.1f}" y="{hy - 7:.1f}" width="16" height="14" rx="6" fill="{SKIN}" '
                    f'stroke="{INK}" stroke-width="2"/>'
                    f'<path d="M {hx - 7:.1f},{hy - 1:.1f} h 9 M {hx - 7:.1f},{hy + 3:.1f} h 9" stroke="{INK}" '
                    f'stroke-width="1.2"/>')
    cw0, cw1 = 9, 15  # half widths of the cuff, at the arm and at the open end
    c0 = (wx - dx * 9, wy - dy * 9)
    c1 = (wx + dx * 4, wy + dy * 4)
    cuff = [(c0[0] + nx * cw0, c0[1] + ny * cw0), (c1[0] + nx * cw1, c1[1] + ny * cw1),
            (c1[0] - nx * cw1, c1[1] - ny * cw1), (c0[0] - nx * cw0, c0[1] - ny * cw0)]
    cuff_svg = (f'<polygon points="{pts(cuff)}" fill="{ROBE}" stroke="{INK}" stroke-width="2.2" '
                f'stroke-linejoin="round"/>'
                f'<line x1="{c1[0] + nx * (cw1 - 2):.1f}" y1="{c1[1] + ny * (cw1 - 2):.1f}" '
                f'x2="{c1[0] - nx * (cw1 - 2):.1f}" y2="{c1[1] - ny * (cw1 - 2):.1f}" stroke="{STAR}" '
                f'stroke-width="3"/>')
    # Wand behind the hand that grips it.
    return "\n".join(out + [wand_svg, hand_svg, cuff_svg])


L_SHOULDER = (CX - 36, 140)
R_SHOULDER = (CX + 36, 140)


LEFT_REST = ((CX - 50, 172), (CX - 42, 196), {})
RIGHT_REST = ((CX + 50, 172), (CX + 42, 196), {"wand": -62})
POSES = {
    "rest": (LEFT_REST, RIGHT_REST),
    "wave-a": (((CX - 62, 124), (CX - 62, 96), {"hand": "open"}), RIGHT_REST),
    "wave-b": (((CX - 62, 126), (CX - 76, 102), {"hand": "open"}), RIGHT_REST),
    "hold": (((CX - 52, 170), (CX - 30, 164), {}), ((CX + 52, 170), (CX + 30, 164), {})),
    "clap-open": (((CX - 50, 172), (CX - 20, 158), {"hand": "open"}),
                  ((CX + 50, 172), (CX + 20, 158), {"hand": "open"})),
    "clap-shut": (((CX - 46, 170), (CX - 9, 154), {"hand": "open"}),
                  ((CX + 46, 170), (CX + 9, 154), {"hand": "open"})),
    "thumbs": (((CX - 60, 150), (CX - 50, 122), {"thumb_up": True}), RIGHT_REST),
    "wand-up": (((CX - 54, 168), (CX - 58, 188), {}), ((CX + 58, 120), (CX + 58, 92), {"wand": -80})),
    "wand-out": (((CX - 54, 168), (CX - 58, 188), {}), ((CX + 60, 146), (CX + 80, 132), {"wand": -18})),
    "wand-sky": (((CX - 54, 168), (CX - 58, 188), {}), ((CX + 60, 128), (CX + 76, 104), {"wand": -52})),
}


# --- props and effects ------------------------------------------------------------------------

def scroll(open_):
    y = 160
    if not open_:
        return (f'<rect x="{CX-34}" y="{y-7}" width="68" height="14" rx="7" fill="#f3e2b3" stroke="{INK}" '
                f'stroke-width="2.2"/><path d="M {CX-20},{y-7} v 14 M {CX+20},{y-7} v 14" stroke="#c9a45a" '
                f'stroke-width="2"/>')
    top, bottom = y - 30, y + 34
    sheet = (f'<path d="M {CX-28},{top} L {CX+28},{top} L {CX+28},{bottom} Q {CX+14},{bottom-4} {CX},{bottom} '
             f'Q {CX-14},{bottom+4} {CX-28},{bottom} Z" fill="#fbf0cf" stroke="{INK}" stroke-width="2.2" '
             f'stroke-linejoin="round"/>')
    lines = "".join(f'<path d="M {CX-18},{top + 14 + i * 9} h {36 - (i % 2) * 10}" stroke="#b08a45" '
                    f'stroke-width="2.4" stroke-linecap="round"/>' for i in range(4))
    rods = "".join(f'<rect x="{CX-34}" y="{yy-5}" width="68" height="10" rx="5" fill="#f3e2b3" stroke="{INK}" '
                   f'stroke-width="2.2"/>' for yy in (top, bottom))
    seal = f'<circle cx="{CX+18}" cy="{bottom-10}" r="5" fill="#d9363e" stroke="{INK}" stroke-width="1.6"/>'
    return sheet + lines + rods + seal


def rays(cx, cy, r0, r1, n, start=0):
    out = []
    for i in range(n):
        a = math.radians(start + i * 360 / n)
        out.append(f'<line x1="{cx + r0 * math.cos(a):.1f}" y1="{cy + r0 * math.sin(a):.1f}" '
                   f'x2="{cx + r1 * math.cos(a):.1f}" y2="{cy + r1 * math.sin(a):.1f}" stroke="{INK}" '
                   f'stroke-width="6" stroke-linecap="round"/>'
                   f'<line x1="{cx + r0 * math.cos(a):.1f}" y1="{cy + r0 * math.sin(a):.1f}" '
                   f'x2="{cx + r1 * math.cos(a):.1f}" y2="{cy + r1 * math.sin(a):.1f}" stroke="{STAR}" '
                   f'stroke-width="3" stroke-linecap="round"/>')
    return "\n".join(out)


def announce_rays():
    out = []
    # Short strokes at both sides of the open scroll, as in a comic's "look here!".
    strokes = [((CX - 40, 140), (CX - 54, 132)), ((CX - 42, 158), (CX - 58, 158)), ((CX - 40, 176), (CX - 54, 184)),
               ((CX + 40, 140), (CX + 54, 132)), ((CX + 42, 158), (CX + 58, 158)), ((CX + 40, 176), (CX + 54, 184))]
    for (x1, y1), (x2, y2) in strokes:
        out.append(f'<line x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}" stroke="{INK}" stroke-width="6" '
                   f'stroke-linecap="round"/><line x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}" stroke="{STAR}" '
                   f'stroke-width="3" stroke-linecap="round"/>')
    return "\n".join(out)


def clap_burst():
    return rays(CX, 150, 16, 26, 7, -90 - 3 * 360 / 14) + "\n" + twinkle(CX - 30, 124, 6) + twinkle(CX + 30, 126, 5)


def joy_stars():
    return "\n".join([star(CX - 62, 60, 7, -80), star(CX + 64, 50, 8, -100), star(CX + 76, 100, 5),
                      twinkle(CX - 70, 96, 6), twinkle(CX + 52, 20, 5)])


# Where the wand's tip is in each pose (hand + 46 along the wand).
def wand_tip(pose):
    (ex, ey), (wx, wy), opts = POSES[pose][1]
    dx, dy = unit(ex, ey, wx, wy)
    hx, hy = wx + dx * 11, wy + dy * 11
    a = math.radians(opts["wand"])
    return hx + math.cos(a) * 49, hy + math.sin(a) * 49


def trail_spots():
    (x0, y0), (x1, y1) = wand_tip("wand-up"), wand_tip("wand-out")
    spots = []
    for t in (0.15, 0.35, 0.55, 0.75, 0.92):
        # Along an arc bulging up and to the right, from the raised tip to the pointing one.
        spots.append((x0 + (x1 - x0) * t + 26 * math.sin(math.pi * t), y0 + (y1 - y0) * t - 18 * math.sin(math.pi * t)))
    return spots


def spark(i):
    x, y = trail_spots()[i]
    return star(x, y, 4 + i * 1.3, -90 + i * 17) if i % 2 == 0 else twinkle(x, y, 5 + i)


def sparkle_burst(scale):
    x, y = wand_tip("wand-out")
    x, y = x + 6, y - 4
    out = [rays(x, y, 10 * scale, 22 * scale, 8, 22)]
    for i in range(6):
        a = math.radians(-90 + i * 60 + 15)
        out.append(star(x + 30 * scale * math.cos(a), y + 30 * scale * math.sin(a), 6 * scale + 1, -90 + i * 12))
    out.append(star(x, y, 10 * scale, -90))
    return "\n".join(out)


def rainbow(fraction):
    """Bands round a centre behind the wizard, from the wand's tip over his hat."""
    tx, ty = wand_tip("wand-sky")
    cx, cy = CX + 10, 132
    r_out = math.hypot(tx - cx, ty - cy) + 3
    a0 = math.degrees(math.atan2(ty - cy, tx - cx))
    a1 = a0 - (a0 + 200) * fraction
    colours = ["#e53935", "#fb8c00", "#fdd835", "#43a047", "#1e88e5", "#8e24aa"]
    band = 6.5
    def arc(r):
        n = max(2, int(abs(a1 - a0) / 3))
        return " ".join(f"{cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / n)):.1f},"
                        f"{cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / n)):.1f}" for i in range(n + 1))
    width = band * len(colours)
    out = [f'<polyline points="{arc(r_out - width / 2)}" fill="none" stroke="{INK}" stroke-width="{width + 4}"/>']
    for i, c in enumerate(colours):
        out.append(f'<polyline points="{arc(r_out - band / 2 - i * band)}" fill="none" stroke="{c}" '
                   f'stroke-width="{band + 0.6}"/>')
    end = math.radians(a1)
    ex, ey = cx + (r_out - width / 2) * math.cos(end), cy + (r_out - width / 2) * math.sin(end)
    if fraction >= 1:
        out.append(cloud([(ex - 6, ey + 4, 11), (ex + 8, ey - 2, 13), (ex + 20, ey + 6, 10)], "#ffffff"))
    return "\n".join(out)


def star_shower(spread):
    out = []
    spots = [(-70, 40), (-40, 18), (-10, 30), (30, 12), (60, 34), (84, 70), (-84, 78), (70, 110), (-66, 120)]
    for i, (dx, dy) in enumerate(spots):
        x, y = CX + dx * spread, 60 + dy * spread
        out.append(star(x, y, 5 + (i % 3) * 1.5, -90 + i * 20) if i % 2 == 0 else twinkle(x, y, 6))
    return "\n".join(out)


def puff(stage):
    if stage == 1:
        return cloud([(CX, 220, 18), (CX - 20, 230, 14), (CX + 22, 228, 15), (CX + 4, 204, 14)]) + \
            twinkle(CX - 34, 196, 6) + twinkle(CX + 38, 200, 5)
    if stage == 2:
        return cloud([(CX, 150, 48), (CX - 42, 190, 34), (CX + 42, 188, 36), (CX - 30, 110, 30),
                      (CX + 30, 104, 32), (CX, 70, 30), (CX + 8, 34, 22), (CX - 44, 148, 26),
                      (CX + 48, 142, 28), (CX, 220, 34), (CX - 36, 230, 22), (CX + 38, 228, 24)]) + \
            star(CX - 66, 60, 7) + star(CX + 70, 80, 6) + twinkle(CX + 66, 210, 7)
    if stage == 3:
        return cloud([(CX - 52, 200, 22), (CX - 62, 230, 16), (CX + 56, 206, 22), (CX + 64, 234, 15),
                      (CX - 58, 120, 14), (CX + 60, 114, 15)]) + star(CX - 66, 60, 7) + star(CX + 70, 52, 6) + \
            twinkle(CX + 78, 150, 7) + twinkle(CX - 78, 160, 6)
    return twinkle(CX - 66, 60, 6) + twinkle(CX + 70, 52, 7) + star(CX + 80, 150, 4) + star(CX - 76, 168, 4)


# --- motion: every frame is computed, 25 of them a second -------------------------------------
#
# A gesture is a function of time that gives the figure's pose; it is sampled every FRAME_MS.
# Arms are redrawn for every in-between pose (their joints blended with easing); the rest of the
# figure and the effects move by transforms (a 2D matrix per part, in canvas units), so no
# drawing has to be repeated for them.

FRAME_MS = 40
FEET = (CX, 252)
NECK = (CX, 112)
ID = (1, 0, 0, 1, 0, 0)


def clamp(x, lo=0.0, hi=1.0):
    return max(lo, min(hi, x))


def lerp(a, b, t):
    return a + (b - a) * t


def ease(t):
    t = clamp(t)
    return t * t * (3 - 2 * t)


def seg(t, t0, t1):
    """0 before t0, 1 after t1, eased in between."""
    return ease((t - t0) / (t1 - t0))


def mul(m, n):
    """The transform m applied after n. (a, b, c, d, e, f): x' = a x + c y + e, y' = b x + d y + f."""
    a, b, c, d, e, f = m
    A, B, C, D, E, F = n
    return (a * A + c * B, b * A + d * B, a * C + c * D, b * C + d * D, a * E + c * F + e, b * E + d * F + f)


def chain(*ms):
    out = ID
    for m in ms:
        out = mul(out, m)
    return out


def translate(x, y):
    return (1, 0, 0, 1, x, y)


def rotate(deg, origin):
    r = math.radians(deg)
    ox, oy = origin
    return chain(translate(ox, oy), (math.cos(r), math.sin(r), -math.sin(r), math.cos(r), 0, 0), translate(-ox, -oy))


def scale(sx, sy, origin):
    ox, oy = origin
    return chain(translate(ox, oy), (sx, 0, 0, sy, 0, 0), translate(-ox, -oy))


def P(name, m=ID):
    m = tuple(round(v, 4) for v in m)
    if m == ID:
        return name
    return {"part": name, "transform": list(m)}


ARM_PARTS = {}
ARM_NAMES = {}


def arm_part(side, pose):
    (ex, ey), (wx, wy), opts = pose
    q = lambda v: round(v * 2) / 2
    key = (side, q(ex), q(ey), q(wx), q(wy), tuple(sorted(opts.items())))
    if key not in ARM_NAMES:
        name = f"arm-{side}-{sum(1 for k in ARM_NAMES if k[0] == side):03d}"
        ARM_NAMES[key] = name
        shoulder = L_SHOULDER if side == "l" else R_SHOULDER
        ARM_PARTS[name] = arm(shoulder, (key[1], key[2]), (key[3], key[4]), **opts)
    return ARM_NAMES[key]


def blend(p, q, t):
    """An in-between arm: joints blended, the hand of the nearer pose, the wand's angle blended."""
    (e1, w1, o1), (e2, w2, o2) = p, q
    opts = dict(o1 if t < 0.5 else o2)
    if "wand" in o1 and "wand" in o2:
        opts["wand"] = round(lerp(o1["wand"], o2["wand"], t))
    return ((lerp(e1[0], e2[0], t), lerp(e1[1], e2[1], t)), (lerp(w1[0], w2[0], t), lerp(w1[1], w2[1], t)), opts)


def L(pose):
    return POSES[pose][0]


def R(pose):
    return POSES[pose][1]


def figure(left=LEFT_REST, right=RIGHT_REST, eyes="open", mouth="closed", dy=0.0, rot=0.0, sy=1.0, tilt=0.0,
           before=(), held=(), after=()):
    """The wizard's parts in drawing order. `held` parts move with the body, `after` ones do not."""
    body_m = chain(translate(0, dy), rotate(rot, FEET), scale(1, sy, FEET))
    head_m = mul(body_m, rotate(tilt, NECK))
    parts = list(before)
    parts += [P("body", body_m), P("head", head_m), P(f"mouth-{mouth}", head_m), P("moustache", head_m),
              P(f"eyes-{eyes}", head_m), P(arm_part("l", left), body_m), P(arm_part("r", right), body_m)]
    parts += [P(name, mul(body_m, m)) for name, m in held]
    parts += list(after)
    return parts


def sample(duration, pose_at):
    return [{"parts": pose_at(i * FRAME_MS), "ms": FRAME_MS} for i in range(round(duration / FRAME_MS))]


def appear(t):
    parts = []
    if t < 440:
        parts.append(P("fx-puff-1", scale(*(2 * [lerp(0.3, 1.15, seg(t, 0, 240))]), (CX, 222))))
        if t >= 160:
            parts.append(P("fx-puff-2", scale(*(2 * [lerp(0.35, 1.0, seg(t, 160, 440))]), (CX, 150))))
        return parts
    pop = seg(t, 440, 640)
    after = []
    if t < 560:
        after.append(P("fx-puff-2", scale(*(2 * [lerp(1.0, 0.55, seg(t, 440, 560))]), (CX, 150))))
    if t < 840:
        s = lerp(0.85, 1.45, seg(t, 440, 840))
        after.append(P("fx-puff-3", scale(s, s, (CX, 160))))
    if t >= 680:
        s = lerp(1.0, 0.35, seg(t, 680, 1000))
        after.append(P("fx-puff-4", chain(scale(s, s, (CX, 130)), rotate(30 * seg(t, 680, 1000), (CX, 130)))))
    return figure(eyes="closed" if t < 640 else "open", mouth="grin", sy=lerp(0.9, 1.0, pop),
                  dy=-3 * math.sin(math.pi * pop), after=after)


def greet(t):
    up = seg(t, 0, 200) - seg(t, 1000, 1200)
    swing = 0.5 - 0.5 * math.cos(math.pi * clamp((t - 200) / 200, 0, 4))
    wave = blend(L("wave-a"), L("wave-b"), swing)
    # A kind face: he welcomes the next question and encourages after a wrong answer alike.
    return figure(left=blend(LEFT_REST, wave, up), mouth="smile", rot=-0.9 * up, tilt=-2.5 * up + 0.8 * (swing - 0.5) * up,
                  dy=-1.5 * math.sin(math.pi * t / 1200))


def announce(t):
    hold = seg(t, 0, 200) - seg(t, 1400, 1600)
    opening = seg(t, 200, 460) - seg(t, 1240, 1440)
    if opening < 0.1:
        held = [("scroll-rolled", translate(0, 44 * (1 - hold)))]
    else:
        held = [("scroll-open", scale(1, opening, (CX, 160)))]
    after = []
    if 460 <= t < 1300:
        s = seg(t, 460, 580) * (1 + 0.12 * math.sin(2 * math.pi * (t - 460) / 320)) - 0.3 * seg(t, 1180, 1300)
        after.append(P("fx-announce", scale(s, s, (CX, 158))))
    eyes = "up" if t < 460 else ("happy" if 700 <= t < 1100 else "open")
    mouth = ("closed" if t < 200 else "o" if t < 460 else "say4" if t < 700 else "grin" if t < 1100
             else "say3" if t < 1400 else "smile")
    return figure(left=blend(LEFT_REST, L("hold"), hold), right=blend(RIGHT_REST, R("hold"), hold), eyes=eyes,
                  mouth=mouth, dy=-2.5 * hold, rot=0.6 * math.sin(2 * math.pi * t / 1600), held=held, after=after)


def congratulate(t):
    clap = 0.5 - 0.5 * math.cos(2 * math.pi * clamp((t - 160) / 320, 0, 3))
    after = []
    if t < 1120:
        start = seg(t, 0, 160)
        left = blend(blend(LEFT_REST, L("clap-open"), start), L("clap-shut"), clap)
        right = blend(blend(RIGHT_REST, R("clap-open"), start), R("clap-shut"), clap)
        if clap > 0.55:
            after.append(P("fx-clap", chain(translate(0, -5 * clap), scale(0.5 + 0.7 * clap, 0.5 + 0.7 * clap, (CX, 150)),
                                            rotate(25 * clap, (CX, 150)))))
        return figure(left, right, eyes="happy", mouth="grin", dy=-6 * clap, sy=1 + 0.015 * clap, after=after)
    turn = seg(t, 1120, 1280)
    left = blend(L("clap-open"), L("thumbs"), turn)
    right = blend(R("clap-open"), RIGHT_REST, turn)
    glow = seg(t, 1180, 1340)
    if glow > 0:
        s = glow * (0.9 + 0.1 * math.sin(2 * math.pi * (t - 1180) / 300))
        after.append(P("fx-joy", chain(scale(s, s, (CX, 80)), rotate(6 * math.sin(2 * math.pi * t / 500), (CX, 80)))))
    return figure(left, right, eyes="happy" if t < 1300 else "open", mouth="grin",
                  dy=-2 * math.sin(math.pi * clamp((t - 1120) / 480)), after=after)


def domagic1(t):
    right = blend(blend(RIGHT_REST, R("wand-up"), seg(t, 0, 260)), R("wand-out"), seg(t, 260, 440))
    right = blend(right, RIGHT_REST, seg(t, 960, 1160))
    after = []
    spots = trail_spots()
    for i, (x, y) in enumerate(spots):
        born = 260 + i * 36
        if born <= t < 900:
            s = min(1.25 * seg(t, born, born + 60), 1.0 + 0.25 * (1 - seg(t, born + 60, born + 120))) * (1 - seg(t, 700, 900))
            if s > 0.05:
                after.append(P(f"fx-spark-{i + 1}", scale(s, s, (x, y))))
    bx, by = wand_tip("wand-out")
    if 440 <= t < 1120:
        s = lerp(0.3, 1.1, seg(t, 440, 620)) * lerp(1.0, 0.3, seg(t, 880, 1120))
        after.append(P("fx-burst-big", chain(scale(s, s, (bx + 6, by - 4)), rotate(40 * seg(t, 440, 1120), (bx + 6, by - 4)))))
    eyes = "up" if t < 260 else "side" if t < 440 else "happy" if t < 880 else "open"
    mouth = "o" if t < 440 else "grin" if t < 960 else "smile"
    return figure(right=right, eyes=eyes, mouth=mouth, rot=0.8 * seg(t, 260, 440) - 0.8 * seg(t, 960, 1160),
                  dy=-2 * math.sin(math.pi * seg(t, 400, 700)), after=after)


RAINBOW_STEPS = 10


def domagic2(t):
    right = blend(blend(RIGHT_REST, R("wand-sky"), seg(t, 0, 220)), RIGHT_REST, seg(t, 1220, 1420))
    grown = seg(t, 220, 760) - seg(t, 1180, 1420)
    before = []
    step = round(grown * RAINBOW_STEPS)
    if step > 0:
        before.append(P(f"fx-rainbow-{step}"))
    after = []
    if t >= 720:
        k = seg(t, 720, 1420)
        s = lerp(0.75, 1.12, k)
        after.append(P("fx-shower", chain(translate(0, 14 * k), scale(s, s, (CX, 60)), rotate(-10 * k, (CX, 60)))))
    eyes = "up" if t < 760 else "happy" if t < 1240 else "open"
    mouth = "o" if t < 500 else "say3" if t < 760 else "grin"
    return figure(right=right, eyes=eyes, mouth=mouth, before=before, rot=0.6 * grown,
                  dy=-2 * math.sin(math.pi * seg(t, 700, 1100)))


def idle():
    """He breathes and sways: six steps of one slow rocking, there and back in 5.6 s, with
    blinks and a glance. Few distinct pictures, each held a while, so resting costs little."""
    levels = 6
    half = 2800
    s = [-1 + 2 * k / (levels - 1) for k in range(levels)]
    when = [half * (0.5 + math.asin(v) / math.pi) for v in s]  # time each level is reached on a sine
    edges = [0] + [(when[k] + when[k + 1]) / 2 for k in range(levels - 1)] + [half]

    def pose(k, eyes="open"):
        v = s[k]
        return figure(eyes=eyes, rot=0.9 * v, sy=0.994 + 0.006 * v, tilt=0.8 * v)

    def dwell(k):
        return edges[k + 1] - edges[k]

    frames = []
    order = list(range(levels)) + list(range(levels - 2, 0, -1))
    for cycle in range(2):
        for k in order:
            # The ends of the rocking are held twice as long as one pass of dwell, counted once here.
            ms = round(dwell(k) * (2 if k in (0, levels - 1) else 1))
            if k == 0:
                # A blink (a double one the second time) in the middle of the long pause.
                blink = [("closed", 140)] + ([("open", 120), ("closed", 140)] if cycle else [])
                rest = ms - sum(m for _, m in blink)
                eyes_at = [("open", rest // 2)] + blink + [("open", rest - rest // 2)]
                frames += [{"parts": pose(k, e), "ms": m} for e, m in eyes_at]
            elif k == levels - 1 and cycle == 1:
                frames += [{"parts": pose(k), "ms": 260}, {"parts": pose(k, "side"), "ms": max(ms - 520, 300)},
                           {"parts": pose(k), "ms": 260}]
            else:
                frames.append({"parts": pose(k), "ms": ms})
    return frames

LIP_PARTS = lip_parts()
PARTS = {
    **LIP_PARTS,
    "body": body(),
    "head": head(),
    "moustache": moustache(),
    **{f"mouth-{k}": mouth(k) for k in ["closed", "o", "smile", "grin"] + [f"say{i}" for i in range(1, len(SPEAK_MOUTHS) + 1)]},
    **{f"eyes-{k}": eyes(k) for k in ("open", "closed", "side", "up", "happy")},
    "scroll-rolled": scroll(False),
    "scroll-open": scroll(True),
    "fx-announce": announce_rays(),
    "fx-clap": clap_burst(),
    "fx-joy": joy_stars(),
    **{f"fx-spark-{i + 1}": spark(i) for i in range(5)},
    "fx-burst-big": sparkle_burst(1.0),
    **{f"fx-rainbow-{i}": rainbow(i / RAINBOW_STEPS) for i in range(1, RAINBOW_STEPS + 1)},
    "fx-shower": star_shower(1.0),
    **{f"fx-puff-{i}": puff(i) for i in (1, 2, 3, 4)},
}

ANIMATIONS = {
    "Appear": sample(1000, appear),
    "Idle": idle(),
    # The named mouths of the sounds and their in-betweens, drawn first when he first speaks;
    # and closed, then wider and wider: the mouths the component picks by the voice's loudness
    # when it knows no sounds.
    "Speak": [{"parts": figure(mouth="closed"), "ms": 100}] + lip_frames()
             + [{"parts": figure(mouth=f"say{i}"), "ms": 100} for i in range(1, len(SPEAK_MOUTHS) + 1)],
    "Announce": sample(1600, announce),
    "Greet": sample(1200, greet),
    "Congratulate": sample(1600, congratulate),
    "DoMagic1": sample(1160, domagic1),
    "DoMagic2": sample(1420, domagic2),
}
PARTS.update(ARM_PARTS)

MANIFEST = {
    "format": "tirlindo-character 2",
    "id": "Merlin",
    "name": "Mago Merlino",
    "canvas": [W, H],
    "height": 205,
    "balloonAnchor": [CX + 4, 100],
    "voice": {"language": "it", "variant": "m3", "rate": 130, "pitch": 60, "range": 100},
    "roles": {"show": "Appear", "idle": "Idle", "speak": "Speak"},
    "parts": {name: f"{name}.svg" for name in sorted(PARTS)},
    "animations": ANIMATIONS,
}


def manifest_text():
    # One frame a line: the file stays readable and diffs stay small.
    text = json.dumps({k: v for k, v in MANIFEST.items() if k != "animations"}, indent=1)[:-2]
    text += ',\n "animations": {\n'
    names = list(ANIMATIONS)
    for n, name in enumerate(names):
        frames = ",\n".join("   " + json.dumps(f, separators=(",", ":")) for f in ANIMATIONS[name])
        text += f'  {json.dumps(name)}: [\n{frames}\n  ]' + (",\n" if n + 1 < len(names) else "\n")
    return text + " }\n}\n"


if __name__ == "__main__":
    for old in os.listdir(HERE):
        if old.endswith(".svg"):
            os.remove(os.path.join(HERE, old))
    for name, content in PARTS.items():
        with open(os.path.join(HERE, f"{name}.svg"), "w") as f:
            f.write(svg(content))
    with open(os.path.join(HERE, "merlin.json"), "w") as f:
        f.write(manifest_text())
