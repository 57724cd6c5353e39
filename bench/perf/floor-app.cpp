// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// The floor for the start-up figure: the least a Qt Widgets program can do to go through
// the same steps as the game (a name box, a message box, then a main window with a menu
// bar), so the report shows what the game adds on top of Qt and the X server.
// Titles differ from the game's, so the driver can never confuse the two.
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Floor"));

    QInputDialog box;
    box.setWindowTitle(QStringLiteral("Floor"));
    box.setLabelText(QStringLiteral("Come ti chiami?"));
    box.setInputMode(QInputDialog::TextInput);
    const QString name = box.exec() == QDialog::Accepted ? box.textValue() : QString();

    QMessageBox message(QMessageBox::NoIcon, QStringLiteral("Floor"),
                        QStringLiteral(" %1 vediamo se sei un vero campione  ").arg(name),
                        QMessageBox::Ok);
    message.exec();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("FLOOR - main window"));
    window.menuBar()->addMenu(QStringLiteral("Menu"));
    auto *label = new QLabel(name, &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.resize(785, 575); // the game window's size
    window.show();
    return QApplication::exec();
}
