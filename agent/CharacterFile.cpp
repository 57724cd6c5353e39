// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/CharacterFile.h"

#include "character/Agent.h"
#include "base/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSvgRenderer>

namespace {

const QString kBundledMerlin = QStringLiteral(":/tirlindo/merlin/merlin.json");

[[noreturn]] void refuse(const QString &file, const QString &why)
{
    throw RuntimeError(QStringLiteral("Impossibile caricare il personaggio %1: %2").arg(file, why));
}

QString requiredString(const QJsonObject &o, const char *key, const QString &file)
{
    const QString value = o.value(QLatin1String(key)).toString();
    if (value.isEmpty())
        refuse(file, QStringLiteral("manca \"%1\"").arg(QLatin1String(key)));
    return value;
}

} // namespace

QString CharacterFile::resolve(const QString &loadKey)
{
    // Windows paths are case-insensitive, and so is the game's idea of this one.
    if (loadKey.compare(kMerlinFile, Qt::CaseInsensitive) == 0)
        return kBundledMerlin;
    return loadKey;
}

const CharacterAnimation *CharacterFile::animation(const QString &name) const
{
    const auto it = animations.constFind(name.toLower());
    return it == animations.constEnd() ? nullptr : &it.value();
}

CharacterFile CharacterFile::load(const QString &loadKey)
{
    const QString path = resolve(loadKey);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(loadKey, QStringLiteral("file non trovato"));

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        refuse(loadKey, QStringLiteral("file non valido"));
    const QJsonObject root = doc.object();

    CharacterFile c;
    c.id = requiredString(root, "id", loadKey);
    c.displayName = root.value(QLatin1String("name")).toString(c.id);
    const QJsonArray canvas = root.value(QLatin1String("canvas")).toArray();
    c.canvas = QSize(canvas.at(0).toInt(), canvas.at(1).toInt());
    if (c.canvas.width() <= 0 || c.canvas.height() <= 0)
        refuse(loadKey, QStringLiteral("dimensioni mancanti"));
    c.defaultHeight = root.value(QLatin1String("height")).toInt(c.canvas.height());
    const QJsonArray anchor = root.value(QLatin1String("balloonAnchor")).toArray();
    c.balloonAnchor = anchor.size() == 2 ? QPoint(anchor.at(0).toInt(), anchor.at(1).toInt())
                                         : QPoint(c.canvas.width() / 2, 0);

    const QJsonObject voice = root.value(QLatin1String("voice")).toObject();
    c.voiceLanguage = voice.value(QLatin1String("language")).toString(QStringLiteral("it"));
    c.voiceRate = voice.value(QLatin1String("rate")).toInt(150);
    c.voicePitch = voice.value(QLatin1String("pitch")).toInt(50);
    c.voiceRange = voice.value(QLatin1String("range")).toInt(50);
    c.voiceVariant = voice.value(QLatin1String("variant")).toString();

    const QDir base = QFileInfo(path).absoluteDir();
    const QJsonObject parts = root.value(QLatin1String("parts")).toObject();
    if (parts.isEmpty())
        refuse(loadKey, QStringLiteral("nessuna parte disegnata"));
    for (auto it = parts.begin(); it != parts.end(); ++it) {
        const QString svg = base.filePath(it.value().toString());
        // Checked now so that a broken file is refused at Load, not in the middle of a show.
        QSvgRenderer renderer(svg);
        if (!renderer.isValid())
            refuse(loadKey, QStringLiteral("disegno non valido: %1").arg(it.value().toString()));
        c.partFiles.insert(it.key(), svg);
    }

    const QJsonObject animations = root.value(QLatin1String("animations")).toObject();
    for (auto it = animations.begin(); it != animations.end(); ++it) {
        CharacterAnimation animation;
        animation.name = it.key();
        for (const QJsonValue &f : it.value().toArray()) {
            const QJsonObject o = f.toObject();
            CharacterFrame frame;
            for (const QJsonValue &p : o.value(QLatin1String("parts")).toArray()) {
                // A part is its name, or {"part": name, "transform": [a, b, c, d, e, f]} with the
                // matrix of SVG's transform="matrix(...)".
                CharacterPart part;
                part.name = p.isObject() ? p.toObject().value(QLatin1String("part")).toString() : p.toString();
                if (!c.partFiles.contains(part.name))
                    refuse(loadKey, QStringLiteral("parte sconosciuta \"%1\" in %2").arg(part.name, it.key()));
                if (p.isObject()) {
                    const QJsonArray m = p.toObject().value(QLatin1String("transform")).toArray();
                    if (m.size() != 6)
                        refuse(loadKey, QStringLiteral("trasformazione non valida in %1").arg(it.key()));
                    part.transform = QTransform(m.at(0).toDouble(), m.at(1).toDouble(), m.at(2).toDouble(),
                                                m.at(3).toDouble(), m.at(4).toDouble(), m.at(5).toDouble());
                }
                frame.parts.append(part);
            }
            frame.durationMs = o.value(QLatin1String("ms")).toInt(0);
            frame.dy = o.value(QLatin1String("dy")).toInt(0);
            frame.mouth = o.value(QLatin1String("mouth")).toString();
            frame.look = QByteArray::number(frame.dy);
            for (const CharacterPart &part : std::as_const(frame.parts)) {
                const QTransform &m = part.transform;
                frame.look += '|' + part.name.toUtf8();
                for (const qreal v : {m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), m.dy()})
                    frame.look += ',' + QByteArray::number(v, 'g', 6);
            }
            if (frame.parts.isEmpty() || frame.durationMs <= 0)
                refuse(loadKey, QStringLiteral("fotogramma non valido in %1").arg(it.key()));
            animation.frames.append(frame);
        }
        if (animation.frames.isEmpty())
            refuse(loadKey, QStringLiteral("animazione vuota: %1").arg(it.key()));
        c.animations.insert(it.key().toLower(), animation);
    }

    const QJsonObject roles = root.value(QLatin1String("roles")).toObject();
    const auto role = [&](const char *key) {
        const QString name = requiredString(roles, key, loadKey);
        if (!c.animation(name))
            refuse(loadKey, QStringLiteral("animazione mancante: %1").arg(name));
        return name;
    };
    c.showAnimation = role("show");
    c.idleAnimation = role("idle");
    c.speakAnimation = role("speak");
    return c;
}
