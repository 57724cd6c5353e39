// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "quiz/Gradient.h"

#include "base/Integer.h"

#include <QPainter>

QColor gradientBandColor(int num1, int colore, int band)
{
    // 16-bit products, as the game's other arithmetic; 9 × 20 and 10 × 20 fit easily.
    const Integer red = Integer(num1) * 20;
    const Integer green = Integer(colore) * 20;
    return QColor(qBound(0, int(red), 255), qBound(0, int(green), 255), band);
}

void paintGradient(QImage &image, int num1, int colore)
{
    QPainter painter(&image);
    const int height = image.height();
    const int width = image.width();
    // The height is split into 512 units and every band is two of them: band i covers
    // rows [i·h/256, (i+1)·h/256), so the bands tile the image at any size.
    for (int i = 0; i <= 255; ++i) {
        const int top = i * height / 256;
        const int bottom = (i + 1) * height / 256;
        painter.fillRect(0, top, width, bottom - top, gradientBandColor(num1, colore, i));
    }
}
