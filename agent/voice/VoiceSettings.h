// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QMetaType>
#include <QString>

struct VoiceSettings
{
    QString language = QStringLiteral("it");
    QString variant;     // of the voice: its timbre and natural pitch span
    int rate = 145;
    int pitch = 35;
    int range = 50;      // 0-100: how far the intonation rises and falls
    bool continues = false; // another phrase follows at once: no falling end, a short pause
    bool audio = true;   // false: never touch the sound server, pace silently
    double pace = 1.0;   // silent pacing only: 0.1 plays ten times faster
};
Q_DECLARE_METATYPE(VoiceSettings)
