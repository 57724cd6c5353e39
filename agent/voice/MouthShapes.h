// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/voice/Utterance.h"

#include <QByteArray>
#include <QString>

// How the lips stand for what is heard: each of the synthesiser's Italian sounds belongs to one
// mouth shape, held from where the sound starts in the audio; just before the next sound the
// mouth glides to that one's shape through three in-betweens. The loudness sets how wide.
enum class MouthShape { Rest, Closed, Teeth, Round, Open, Spread, Narrow };

struct MouthPose
{
    MouthShape shape = MouthShape::Rest;
    MouthShape toward = MouthShape::Rest; // the next sound's shape, while gliding to it
    int step = 0;                         // of the glide, 1 .. kGlideSteps - 1; 0 when not gliding
    int opening = 0;                      // 0 .. kOpenings - 1
    int sound = -1;                       // the index of the sound heard, -1 before the first
};

namespace MouthShapes {

constexpr int kOpenings = 6;
constexpr int kGlideSteps = 4;
// Long enough to show the three in-betweens at the voice's 20 ms progress steps, short enough that
// the shape is reached where its sound starts even in quick speech.
constexpr int kGlideMs = 60;
// Each sound's own mouth stays at least this long, two steps of the voice's clock, so that a
// short "p" or "v" is seen even when a step comes late: the glide out of it is shortened.
constexpr int kHoldMs = 40;

// The shape of one of espeak-ng's Italian phonemes, by its mnemonic ("m", "O", "tS", "_:").
MouthShape ofPhoneme(const QByteArray &phoneme);

QString name(MouthShape shape);

// The mouth at `playedMs` into the phrase; at rest before its first sound and after its end.
MouthPose at(const Utterance &u, int playedMs);

// The character file's name for that mouth: "open 2", or "rest open 1" for the first
// in-between of rest and open (the two shapes in the order of MouthShape, either way round).
QString frameName(const MouthPose &pose);

} // namespace MouthShapes
