// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// A small driver for the character on its own: renders every frame to PNG files, or shows the
// wizard over a plain stand-in window and has him perform, for screenshots and recordings.
//   tirlindo-agent-demo --frames DIR [--height PX]
//   tirlindo-agent-demo [--harness] [--play NAME]... [--quit] [PHRASE...]
#include "character/Agent.h"
#include "agent/AgentControl.h"
#include "agent/CharacterFile.h"
#include "agent/windows/CharacterWindow.h"
#include "agent/FloatingCharacter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <cstdio>

namespace {

int renderFrames(AgentControl &control, const QString &dir, int height)
{
    FloatingCharacter *merlin = control.character(kMerlinId);
    const CharacterFile &file = merlin->file();
    QDir().mkpath(dir);
    for (const CharacterAnimation &a : file.animations) {
        QList<QImage> frames;
        for (const CharacterFrame &f : a.frames)
            frames.append(merlin->window()->renderFrame(f, height, 1.0));
        // One strip per animation on a light background, the way a child's screen shows it.
        const QSize cell = frames.first().size();
        QImage strip(cell.width() * int(frames.size()), cell.height(), QImage::Format_RGB32);
        strip.fill(QColor(0xbf, 0xe9, 0xf2));
        QPainter p(&strip);
        for (int i = 0; i < frames.size(); ++i)
            p.drawImage(i * cell.width(), 0, frames.at(i));
        p.end();
        const QString path = QDir(dir).filePath(a.name.toLower() + QStringLiteral(".png"));
        strip.save(path);
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("frames"), QStringLiteral("Render every frame into DIR."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("height"), QStringLiteral("Character height."), QStringLiteral("PX"),
                      QStringLiteral("205")});
    parser.addOption({QStringLiteral("harness"), QStringLiteral("Show a plain window under the character.")});
    parser.addOption({QStringLiteral("play"), QStringLiteral("Play an animation first."), QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("silent"), QStringLiteral("Never use the sound server.")});
    parser.addOption({QStringLiteral("quit"), QStringLiteral("Quit once every request is done.")});
    parser.addPositionalArgument(QStringLiteral("phrase"), QStringLiteral("Phrases to speak, in order."));
    parser.process(app);

    QLabel harness;
    if (parser.isSet(QStringLiteral("harness"))) {
        harness.setText(QStringLiteral("<h1 style='color:#0b5563'>La tabellina del 9</h1>"));
        harness.setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        harness.setStyleSheet(QStringLiteral("background:#7fd3e6; border:12px solid #12848f;"));
        harness.setGeometry(120, 60, 900, 640);
        harness.show();
    }

    AgentControl control(&harness);
    control.setAudioEnabled(!parser.isSet(QStringLiteral("silent")));
    control.Characters().Load(kMerlinId, kMerlinFile);
    if (parser.isSet(QStringLiteral("frames")))
        return renderFrames(control, parser.value(QStringLiteral("frames")),
                            parser.value(QStringLiteral("height")).toInt());

    QObject::connect(&control, &AgentControl::requestStarted, [](const QString &, const QString &r) {
        std::printf("start %s\n", qPrintable(r));
        std::fflush(stdout);
    });
    AgentCharacter &merlin = control.Characters().Item(kMerlinId);
    merlin.Show();
    merlin.MoveTo(250, 175);
    merlin.setHeight(parser.value(QStringLiteral("height")).toInt());
    for (const QString &name : parser.values(QStringLiteral("play")))
        merlin.Play(name);
    for (const QString &phrase : parser.positionalArguments())
        merlin.Speak(phrase);
    if (parser.isSet(QStringLiteral("quit")))
        QObject::connect(&control, &AgentControl::queueEmptied, &app, [&app] {
            // Let the balloon's last words be seen and the sound server drain.
            QTimer::singleShot(1200, &app, &QApplication::quit);
        });
    return app.exec();
}
