// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/voice/Utterance.h"
#include "agent/voice/VoiceSettings.h"

#include <QDeadlineTimer>

// Turns a phrase into samples and word positions. Called on the voice's thread only.
class Synthesizer
{
public:
    virtual ~Synthesizer() = default;
    // A phrase that cannot be synthesised comes back silent, paced at an estimated speed.
    virtual Utterance synthesize(const QString &text, const VoiceSettings &settings) = 0;
    // Waits for whatever the synthesiser runs in the background; false when it is stuck.
    virtual bool finishStarting(QDeadlineTimer) { return true; }
};
