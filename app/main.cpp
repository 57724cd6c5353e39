// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"
#include "app/DisplayChoice.h"
#include "app/Pictures.h"
#include "app/Tavola.h"
#include "platform/FirstWindow.h"
#include "platform/LoadedAgent.h"
#include "platform/QtHost.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    const QByteArray platform = preferredPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"),
                                                  qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    QApplication::setApplicationName(kProgramTitle);
    QApplication::setApplicationDisplayName(kProgramTitle);
    QApplication::setApplicationVersion(QStringLiteral(TIRLINDO_VERSION_TEXT));
    QApplication::setDesktopFileName(QStringLiteral("org.tirlindo.Tirlindo"));
    QApplication::setWindowIcon(Pictures::icon());
    installFontSubstitutes();

    // The boxes' own buttons speak Italian too, whatever the desktop's language.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QTranslator qtItalian;
    if (qtItalian.load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtItalian);

    QtDialogs dialogs;
    ClockRandom random;
    DataDirectory directory;
    ProcessEnd end;
    LoadedAgent agent;

    Tavola tavola(TavolaHost{agent, dialogs, random, directory, end}, nullptr, Tavola::Finish::Later);
    agent.setContainer(tavola.Picture1); // the control lives in the hidden picture box
    // While the player reads the name box: the window's fonts and pictures, and the module
    // with the voice, the sound and the wizard's drawings (on a thread of its own).
    afterFirstWindowDrawn([&] {
        agent.preload();
        tavola.finishControls();
    });
    tavola.load();
    dialogs.setParent(&tavola);
    tavola.show();
    return QApplication::exec();
}
