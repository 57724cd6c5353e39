// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// The barest Qt Widgets program: one window with one label. The game's first box is timed
// against it.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Come ti chiami?"));
    label.setWindowTitle(QStringLiteral("Bare"));
    label.show();
    return QApplication::exec();
}
