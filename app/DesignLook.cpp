// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPalette>

QColor systemColor(int index)
{
    const QPalette pal = QApplication::palette();
    switch (index) {
    case 0:
        return pal.color(QPalette::Active, QPalette::Button);
    case 5:
        return pal.color(QPalette::Active, QPalette::Base);
    case 8:
        return pal.color(QPalette::Active, QPalette::Text);
    case 10:
        return pal.color(QPalette::Active, QPalette::Mid);
    case 18:
        return pal.color(QPalette::Active, QPalette::ButtonText);
    case 19:
        return pal.color(QPalette::Inactive, QPalette::WindowText);
    default:
        return pal.color(QPalette::Active, QPalette::WindowText);
    }
}

namespace {
bool installed(const QString &family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}
} // namespace

void installFontSubstitutes()
{
    // Liberation fonts share the metrics of Arial and Times New Roman, so captions fit the
    // design's boxes; the old dialog font was about as wide as Arial.
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

void useProportionalInterfaceFont()
{
    QFont font = QApplication::font();
    if (!QFontInfo(font).fixedPitch())
        return;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Open Sans")});
    QApplication::setFont(font);
}

QFont designFont(const QString &family, double points, bool bold, bool italic)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    // Arial Black is a family of its own weight: the nearest free face is a sans of
    // extra-bold weight.
    if (family == QLatin1String("Arial Black") && !installed(family)) {
        font.setFamilies({QStringLiteral("Open Sans"), QStringLiteral("Liberation Sans")});
        font.setWeight(QFont::ExtraBold);
    }
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}
