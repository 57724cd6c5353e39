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


MOUTH_Y = 128


def mouth(kind):
    y = MOUTH_Y
    if kind == "closed":
        return (f'<path d="M {CX-7},{y-1} Q {CX},{y+5} {CX+7},{y-1}" fill="none" stroke="{INK}" '
                f'stroke-width="2.2" stroke-linecap="round"/>')
    sizes = {"a": (5.5, 3.2), "b": (6.5, 5.5), "c": (7.5, 8), "o": (4.8, 6)}
    if kind in sizes:
        rx, ry = sizes[kind]
        tongue = ""
        if ry > 4:
            tongue = f'<ellipse cx="{CX}" cy="{y+ry*0.55:.1f}" rx="{rx*0.6:.1f}" ry="{ry*0.35:.1f}" fill="#e86a7a"/>'
        return (f'<ellipse cx="{CX}" cy="{y+1}" rx="{rx}" ry="{ry}" fill="#6b1d2a" stroke="{INK}" '
                f'stroke-width="1.6"/>' + tongue)
    if kind == "grin":
        return (f'<path d="M {CX-9},{y-2} Q {CX},{y+13} {CX+9},{y-2} Z" fill="#6b1d2a" stroke="{INK}" '
                f'stroke-width="1.8" stroke-linejoin="round"/>'
                f'<ellipse cx="{CX}" cy="{y+5}" rx="4" ry="2.2" fill="#e86a7a"/>')
    raise ValueError(kind)


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


def arms(left, right):
    return arm(L_SHOULDER, *left[:2], **left[2]) + "\n" + arm(R_SHOULDER, *right[:2], **right[2])


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


def sparkle_trail():
    (x0, y0), (x1, y1) = wand_tip("wand-up"), wand_tip("wand-out")
    out = []
    for i, t in enumerate((0.15, 0.35, 0.55, 0.75, 0.92)):
        # Along an arc bulging up and to the right, from the raised tip to the pointing one.
        x = x0 + (x1 - x0) * t + 26 * math.sin(math.pi * t)
        y = y0 + (y1 - y0) * t - 18 * math.sin(math.pi * t)
        out.append(star(x, y, 4 + i * 1.3, -90 + i * 17) if i % 2 == 0 else twinkle(x, y, 5 + i))
    return "\n".join(out)


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


PARTS = {
    "body": body(),
    "head": head(),
    "moustache": moustache(),
    **{f"mouth-{k}": mouth(k) for k in ("closed", "a", "b", "c", "o", "grin")},
    **{f"eyes-{k}": eyes(k) for k in ("open", "closed", "side", "up", "happy")},
    **{f"arms-{k}": arms(*v) for k, v in POSES.items()},
    "scroll-rolled": scroll(False),
    "scroll-open": scroll(True),
    "fx-announce": announce_rays(),
    "fx-clap": clap_burst(),
    "fx-joy": joy_stars(),
    "fx-trail": sparkle_trail(),
    "fx-burst-big": sparkle_burst(1.0),
    "fx-burst-small": sparkle_burst(0.6),
    "fx-rainbow-1": rainbow(0.3),
    "fx-rainbow-2": rainbow(0.65),
    "fx-rainbow-3": rainbow(1.0),
    "fx-shower-1": star_shower(0.8),
    "fx-shower-2": star_shower(1.05),
    **{f"fx-puff-{i}": puff(i) for i in (1, 2, 3, 4)},
}


def frame(ms, arms_pose="rest", eyes_kind="open", mouth_kind="closed", before=(), after=(), dy=0):
    parts = list(before) + ["body", "head", f"mouth-{mouth_kind}", "moustache", f"eyes-{eyes_kind}",
                            f"arms-{arms_pose}"] + list(after)
    f = {"parts": parts, "ms": ms}
    if dy:
        f["dy"] = dy
    return f


ANIMATIONS = {
    "Appear": [
        {"parts": ["fx-puff-1"], "ms": 160},
        {"parts": ["fx-puff-2"], "ms": 260},
        frame(200, eyes_kind="closed", after=["fx-puff-3"]),
        frame(220, mouth_kind="grin", after=["fx-puff-4"]),
        frame(160, mouth_kind="grin"),
    ],
    "Idle": [
        frame(2400), frame(140, eyes_kind="closed"), frame(1800), frame(900, eyes_kind="side"),
        frame(1400), frame(140, eyes_kind="closed"), frame(120), frame(140, eyes_kind="closed"), frame(2200),
    ],
    "Speak": [frame(100, mouth_kind=m) for m in ("closed", "a", "b", "c")],
    "Announce": [
        frame(200, "hold", after=["scroll-rolled"]),
        frame(260, "hold", eyes_kind="up", mouth_kind="o", after=["scroll-open"]),
        frame(320, "hold", mouth_kind="c", after=["scroll-open", "fx-announce"]),
        frame(320, "hold", eyes_kind="happy", mouth_kind="grin", after=["scroll-open", "fx-announce"]),
        frame(300, "hold", mouth_kind="c", after=["scroll-open", "fx-announce"]),
        frame(200, "hold", after=["scroll-rolled"]),
    ],
    "Greet": [
        frame(180, "wave-a", mouth_kind="grin"),
        frame(220, "wave-b", eyes_kind="happy", mouth_kind="grin"),
        frame(220, "wave-a", eyes_kind="happy", mouth_kind="grin"),
        frame(220, "wave-b", eyes_kind="happy", mouth_kind="grin"),
        frame(220, "wave-a", mouth_kind="grin"),
        frame(150, "rest", mouth_kind="grin"),
    ],
    "Congratulate": [
        frame(170, "clap-open", eyes_kind="happy", mouth_kind="grin"),
        frame(150, "clap-shut", eyes_kind="happy", mouth_kind="grin", after=["fx-clap"], dy=-5),
        frame(170, "clap-open", eyes_kind="happy", mouth_kind="grin"),
        frame(150, "clap-shut", eyes_kind="happy", mouth_kind="grin", after=["fx-clap"], dy=-5),
        frame(170, "clap-open", eyes_kind="happy", mouth_kind="grin"),
        frame(150, "clap-shut", eyes_kind="happy", mouth_kind="grin", after=["fx-clap"], dy=-5),
        frame(650, "thumbs", mouth_kind="grin", after=["fx-joy"]),
    ],
    "DoMagic1": [
        frame(260, "wand-up", eyes_kind="up", mouth_kind="o"),
        frame(180, "wand-out", eyes_kind="side", mouth_kind="o", after=["fx-trail"]),
        frame(300, "wand-out", eyes_kind="happy", mouth_kind="grin", after=["fx-burst-big"]),
        frame(260, "wand-out", eyes_kind="side", mouth_kind="grin", after=["fx-burst-small"]),
        frame(160, "wand-out", mouth_kind="closed"),
    ],
    "DoMagic2": [
        frame(220, "wand-sky", eyes_kind="up", mouth_kind="o"),
        frame(180, "wand-sky", eyes_kind="up", mouth_kind="o", before=["fx-rainbow-1"]),
        frame(180, "wand-sky", eyes_kind="up", mouth_kind="c", before=["fx-rainbow-2"]),
        frame(320, "wand-sky", eyes_kind="happy", mouth_kind="grin", before=["fx-rainbow-3"], after=["fx-shower-1"]),
        frame(320, "wand-sky", eyes_kind="happy", mouth_kind="grin", before=["fx-rainbow-3"], after=["fx-shower-2"]),
        frame(200, "rest", mouth_kind="grin", after=["fx-shower-2"]),
    ],
}

MANIFEST = {
    "format": "tirlindo-character 1",
    "id": "Merlin",
    "name": "Mago Merlino",
    "canvas": [W, H],
    "height": 205,
    "balloonAnchor": [CX + 4, 100],
    "voice": {"language": "it", "variant": "m3", "rate": 130, "pitch": 60, "range": 100},
    "roles": {"show": "Appear", "idle": "Idle", "speak": "Speak"},
    "parts": {name: f"{name}.svg" for name in PARTS},
    "animations": ANIMATIONS,
}

if __name__ == "__main__":
    for name, content in PARTS.items():
        with open(os.path.join(HERE, f"{name}.svg"), "w") as f:
            f.write(svg(content))
    with open(os.path.join(HERE, "merlin.json"), "w") as f:
        json.dump(MANIFEST, f, indent=1)
        f.write("\n")
