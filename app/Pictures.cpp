// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Pictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QSvgRenderer>

namespace Pictures {

QString path(Picture picture)
{
    switch (picture) {
    case Icon:
        return QStringLiteral(":/pictures/tirlindo-icon.svg");
    case DuckCursor:
        return QStringLiteral(":/pictures/duck-cursor.svg");
    case FaceSmile:
        return QStringLiteral(":/pictures/face-smile.svg");
    case FaceStraight:
        return QStringLiteral(":/pictures/face-straight.svg");
    case FaceLaugh:
        return QStringLiteral(":/pictures/face-laugh.svg");
    case NoEntry:
        return QStringLiteral(":/pictures/no-entry.svg");
    case Stopwatch:
        return QStringLiteral(":/pictures/stopwatch.svg");
    }
    return QString();
}

QPixmap pixmap(Picture picture, QSize size, qreal devicePixelRatio)
{
    QPixmap result(size * devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    QSvgRenderer(path(picture)).render(&painter, QRectF(QPointF(0, 0), QSizeF(result.size())));
    painter.end();
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QList<QImage> iconImages()
{
    QList<QImage> images;
    QSvgRenderer renderer(path(Icon));
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        // As pixmap() draws: premultiplied, from transparent, with the painter's defaults.
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, side, side));
        painter.end();
        images.append(image);
    }
    return images;
}

QIcon icon(const QList<QImage> &images)
{
    QIcon result;
    for (const QImage &image : images)
        result.addPixmap(QPixmap::fromImage(image));
    return result;
}

QIcon icon()
{
    return icon(iconImages());
}

QCursor duckCursor()
{
    // The picture says where its beak tip is: <!-- hotspot X Y --> on its first line.
    QPoint hotSpot(0, 0);
    QFile file(path(DuckCursor));
    if (file.open(QIODevice::ReadOnly)) {
        const auto match = QRegularExpression(QStringLiteral("hotspot\\s+(\\d+)\\s+(\\d+)"))
                               .match(QString::fromUtf8(file.readLine()));
        if (match.hasMatch())
            hotSpot = QPoint(match.captured(1).toInt(), match.captured(2).toInt());
    }
    const qreal dpr = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1.0;
    return QCursor(pixmap(DuckCursor, QSize(48, 48), dpr), hotSpot.x(), hotSpot.y());
}

QCursor iconPointer()
{
    return QCursor(Qt::PointingHandCursor);
}

} // namespace Pictures
