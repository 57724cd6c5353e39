// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

// One phrase as the voice produced it: 22050 Hz mono Int16 samples, where each word and each
// sound starts in the audio, and how open the mouth is over time.
struct SpokenWord
{
    int textStart = 0; // in QString characters
    int textLength = 0;
    int audioMs = 0;
};

struct SpokenSound
{
    QByteArray phoneme; // the synthesiser's own name for it ("m", "O", "tS", "_:")
    int audioMs = 0;
};

struct Utterance
{
    static constexpr int kSampleRate = 22050;
    static constexpr int kLevelStepMs = 40;

    QString text;
    QByteArray pcm;
    QList<SpokenWord> words;
    QList<SpokenSound> sounds; // empty when the phrase is only paced, not synthesised
    QList<float> levels; // 0..1, one per kLevelStepMs
    int durationMs = 0;

    bool isSilent() const { return pcm.isEmpty(); }
};

Q_DECLARE_METATYPE(Utterance)

namespace UtteranceText {

// The text as far as the words heard by `playedMs`, punctuation included, so the balloon
// grows word by word.
QString revealedUpTo(const Utterance &u, int playedMs);

// Loudness envelope of the samples, normalised to the loudest step.
QList<float> mouthLevels(const QByteArray &pcm);

// The loudness at `playedMs`, between two steps of the envelope, so the mouth moves at every
// step of the voice's clock rather than once an envelope step.
float levelAt(const Utterance &u, int playedMs);

// Takes the synthetic hiss and buzz off the voice: a gentle low-pass that leaves speech
// clear, and a level that never reaches full scale.
void soften(QByteArray &pcm);

// Makes the silence after the last sound exactly `ms` long.
void fitTrailingSilence(QByteArray &pcm, int ms);

// Stand-in when no voice can be synthesised: an even pace of roughly 2.5 words a second.
Utterance estimated(const QString &text);

} // namespace UtteranceText
