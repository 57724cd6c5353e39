// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QByteArray>
#include <QList>

// Where the voice's samples go. The voice asks from its own thread and never waits: play()
// and stop() return at once, and how far a phrase got is read from progress().
class SoundOutput
{
public:
    struct Progress
    {
        bool usable = true;        // false while no sound server answers
        quint64 playingId = 0;
        quint64 finishedId = 0;
        // A stall of the whole computer (suspend) cut this phrase: its sound was dropped at
        // `interruptedAtMs`, to go on from the start of that word.
        quint64 interruptedId = 0;
        int interruptedAtMs = 0;
        int playedMs = 0;
        qint64 progressAt = 0;     // the output last took data or played some (ms, steady clock)
        qint64 healthyAt = -1;     // the output last played some
    };

    virtual ~SoundOutput() = default;

    // 22050 Hz mono Int16 samples; `id` names the phrase in progress() reports.
    virtual void play(quint64 id, const QByteArray &pcm, int durationMs) = 0;
    // Drops whatever is playing, at once.
    virtual void stop() = 0;
    virtual Progress progress() const = 0;
};
