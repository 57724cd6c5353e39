// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QColor>
#include <QFont>

// Colours of the desktop's display elements, by their classic index (0 scroll bar,
// 5 window background, 8 window text, 10 active border, 18 button text,
// 19 inactive caption text), taken from the application's palette.
QColor systemColor(int index);

// A font as the window's design names it, in points; where the family is missing the
// closest free one installed stands in (see installFontSubstitutes).
QFont designFont(const QString &family, double points, bool bold = false, bool italic = false);

// Maps the design's Windows families to metric-compatible or close free fonts.
void installFontSubstitutes();

// The menu bar and the boxes are drawn in the desktop's default font. Where that resolves to a
// monospace face (a minimal install whose only fonts are Liberation's answers "sans-serif" with
// Liberation Mono), a proportional sans is asked for by name instead.
void useProportionalInterfaceFont();
