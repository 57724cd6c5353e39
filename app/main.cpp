// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"
#include "app/DisplayChoice.h"
#include "app/Pictures.h"
#include "app/Tavola.h"
#include "platform/FirstWindow.h"
#include "platform/LoadedAgent.h"
#include "platform/ClockRandom.h"
#include "platform/DataDirectory.h"
#include "platform/ProcessEnd.h"
#include "platform/QtDialogs.h"
#include "platform/ScreenReaderBridge.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QThreadPool>
#include <QTranslator>

#include <fontconfig/fontconfig.h>
#include <malloc.h>
#include <thread>

int main(int argc, char *argv[])
{
    // One malloc arena for every thread: the voice, the sound and the drawing threads would
    // each keep an arena of their own, with its free space, for the whole game.
    mallopt(M_ARENA_MAX, 1);
    // Fontconfig reads its configuration on a thread of its own while Qt connects to the
    // display: the window's fonts need it next.
    std::thread fontconfig([] { FcInit(); });
    const QByteArray platform = preferredPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"),
                                                  qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    reportStartFailures(true);
    QApplication app(argc, argv);
    reportStartFailures(false);
    QApplication::setApplicationName(kProgramTitle);
    // No display name: Qt would append it to every window title, and the caption stands alone.
    QApplication::setApplicationVersion(QStringLiteral(TIRLINDO_VERSION_TEXT));
    QApplication::setDesktopFileName(QStringLiteral("org.tirlindo.Tirlindo"));
    useQtBoxButtonPictures();
    installFontSubstitutes();
    useProportionalInterfaceFont();

    // The boxes' own buttons speak Italian too, whatever the desktop's language.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QTranslator qtItalian;
    if (qtItalian.load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtItalian);
    ScreenReaderBridge screenReader;

    fontconfig.join();

    QtDialogs dialogs;
    ClockRandom random;
    DataDirectory directory;
    ProcessEnd end;
    LoadedAgent agent;
    end.beforeEnd = [&agent](int status) { agent.stopVoice(status); };

    Tavola tavola(TavolaHost{agent, dialogs, random, directory, end}, nullptr, Tavola::Finish::Later);
    agent.setGameWindow(&tavola);
    // While the player reads the name box: the window's controls and pictures, and the module
    // with the voice, the sound and the wizard's drawings (on a thread of its own).
    afterFirstWindowDrawn([&] {
        // The program's icon is drawn on a thread once the box is up: drawn sooner it took the
        // box's share of the two cores. Every window, the box too, gets it when it is done.
        QThreadPool::globalInstance()->start([] {
            const QList<QImage> images = Pictures::iconImages();
            QMetaObject::invokeMethod(
                qApp, [images] { QApplication::setWindowIcon(Pictures::icon(images)); }, Qt::QueuedConnection);
        });
        agent.preload();
        tavola.finishControls();
    });
    tavola.load();
    dialogs.setParent(&tavola);
    tavola.show();
    return QApplication::exec();
}
