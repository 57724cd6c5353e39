// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QColor>
#include <QImage>

// The exercise background: 256 horizontal bands, blue rising from 0 at the top to 255 at
// the bottom, over a fixed red and a green chosen by the exercise's tint.
QColor gradientBandColor(int num1, int colore, int band);

// Paints the bands over the whole of `image`, whatever its size.
void paintGradient(QImage &image, int num1, int colore);
