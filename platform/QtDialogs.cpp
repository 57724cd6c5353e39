// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIcon>
#include <QImageReader>
#include <QInputDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QProxyStyle>

#include <algorithm>

namespace {

class BoxButtonStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const override
    {
        const auto picture = std::find_if(std::begin(kPictures), std::end(kPictures),
                                          [which](const QtPicture &p) { return p.which == which; });
        if (picture == std::end(kPictures) || QIcon::themeName() != QLatin1String(kBareTheme)
            || QGuiApplication::layoutDirection() == Qt::RightToLeft)
            return QProxyStyle::standardIcon(which, option, widget);
        QIcon &icon = m_icons[which];
        if (icon.isNull()) {
            for (int size : picture->sizes) {
                // Read as the PNGs they are: a reader that may guess loads every image format
                // plugin (and the JPEG library) to ask them first.
                QImageReader reader(QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1-%2.png")
                                        .arg(QLatin1String(picture->name))
                                        .arg(size),
                                    "png");
                reader.setAutoDetectImageFormat(false);
                icon.addPixmap(QPixmap::fromImage(reader.read()));
            }
        }
        return icon;
    }

    static constexpr const char *kBareTheme = "hicolor";

private:
    struct QtPicture
    {
        StandardPixmap which;
        const char *name;
        int sizes[3];
    };
    // The boxes' two buttons, and the menu bar's button for entries that do not fit.
    static constexpr QtPicture kPictures[] = {
        {SP_DialogOkButton, "standardbutton-ok", {16, 32, 128}},
        {SP_DialogCancelButton, "standardbutton-cancel", {16, 32, 128}},
        {SP_ToolBarHorizontalExtensionButton, "toolbar-ext-h", {8, 16, 32}},
    };
    mutable QHash<int, QIcon> m_icons;
};

} // namespace

void useQtBoxButtonPictures()
{
    // Qt's own pictures, where they are: another Qt build may keep them elsewhere.
    if (!QFile::exists(QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-ok-16.png")))
        return;
    // The application's own style stays underneath, whatever chose it.
    QApplication::setStyle(new BoxButtonStyle(QApplication::style()));
}

QString QtDialogs::InputBox(const QString &prompt)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(kProgramTitle);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setObjectName(QStringLiteral("InputBox"));
    if (box.exec() != QDialog::Accepted)
        return QString();
    return firstLineOnly(box.textValue());
}

void QtDialogs::MsgBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, kProgramTitle, text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("MsgBox"));
    box.setTextFormat(Qt::PlainText); // a player's name is shown as typed, never as markup
    box.exec();
}

QString firstLineOnly(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text.at(i).unicode()) {
        case u'\0':
        case u'\n':
        case u'\r':
        case u'\v':
        case u'\f':
        case 0x85:   // next line
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
            return text.left(i);
        default:
            break;
        }
    }
    return text;
}
