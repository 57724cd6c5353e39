// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTransform>

// A character as described by its manifest (a small JSON file with SVG parts beside it).
// A frame is a stack of parts drawn in order, each placed by its own transform (so a drawing
// can move, turn and grow between frames without being redrawn); an animation is a list of
// frames. Three roles name the animations the component itself needs: appearing, idling and
// speaking (whose unnamed frames go from the closed mouth to the widest one; its named ones
// follow the sounds).
struct CharacterPart
{
    QString name;
    QTransform transform; // canvas units to canvas units
    bool operator==(const CharacterPart &) const = default;
};

struct CharacterFrame
{
    QList<CharacterPart> parts;
    int durationMs = 100;
    int dy = 0; // vertical offset in canvas units, for hops and bows
    QByteArray look; // equal for frames that draw the same picture: they share one cached image
    // In the speaking animation, the mouth a frame shows for the sounds heard ("open 2", see
    // MouthShapes::frameName); empty for the mouths picked by loudness alone.
    QString mouth;
};

struct CharacterAnimation
{
    QString name;
    QList<CharacterFrame> frames;
};

struct CharacterFile
{
    QString id;
    QString displayName;
    QSize canvas;          // size of every part's viewBox, in canvas units
    int defaultHeight = 0; // in device-independent pixels
    QPoint balloonAnchor;  // where the balloon's tail points, in canvas units: the face
    QString voiceLanguage;
    int voiceRate = 0;  // words per minute
    int voicePitch = 0; // 0-100
    int voiceRange = 0; // 0-100, how lively the intonation
    QString voiceVariant; // the synthesiser's voice variant, "" for its plain voice
    QString showAnimation;
    QString idleAnimation;
    QString speakAnimation;
    QHash<QString, QString> partFiles;             // part name -> absolute SVG path
    QHash<QString, CharacterAnimation> animations; // key: lower-case name

    // Reads and validates the manifest and every part it names; throws RuntimeError.
    static CharacterFile load(const QString &loadKey);
    // The game's fixed character path maps to the bundled copy; anything else is a real file.
    static QString resolve(const QString &loadKey);

    const CharacterAnimation *animation(const QString &name) const;
};
