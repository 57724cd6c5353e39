// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/MouthShapes.h"

#include <algorithm>
#include <iterator>

namespace MouthShapes {

MouthShape ofPhoneme(const QByteArray &phoneme)
{
    if (phoneme.isEmpty() || phoneme.startsWith('_'))
        return MouthShape::Rest; // pauses: "_", "_:", "_|"
    // Stress and length marks are not part of the sound's place.
    QByteArray p = phoneme;
    while (!p.isEmpty() && (p.endsWith(':') || p.endsWith('\'') || p.endsWith(',')))
        p.chop(1);
    if (p == "m" || p == "p" || p == "b" || p == "mm" || p == "pp" || p == "bb")
        return MouthShape::Closed;
    if (p == "f" || p == "v" || p == "ff" || p == "vv")
        return MouthShape::Teeth;
    switch (p.at(0)) {
    case 'a':
    case 'A':
        return MouthShape::Open;
    case 'o':
    case 'O':
    case 'u':
    case 'U':
    case 'w': // "w", "w2": the u of "uomo", "quattro"
        return MouthShape::Round;
    case 'e':
    case 'E':
    case 'i':
    case 'I':
    case 'j':
    case ';': // the i glide of "azione"
        return MouthShape::Spread;
    default:
        // t, d, n, l, s, z, k, g, r and their kin, and the short vowel of "tre"'s r.
        return MouthShape::Narrow;
    }
}

QString name(MouthShape shape)
{
    // In the order of MouthShape.
    static constexpr const char *kNames[] = {"rest", "closed", "teeth", "round", "open", "spread", "narrow"};
    static_assert(std::size(kNames) == size_t(MouthShape::Narrow) + 1);
    return QLatin1String(kNames[size_t(shape)]);
}

MouthPose at(const Utterance &u, int playedMs)
{
    MouthPose pose;
    if (playedMs >= u.durationMs)
        return pose;
    const QList<SpokenSound> &sounds = u.sounds;
    // The sound heard now: the last one started.
    const auto next = std::upper_bound(sounds.cbegin(), sounds.cend(), playedMs,
                                       [](int ms, const SpokenSound &s) { return ms < s.audioMs; });
    const int startMs = next == sounds.cbegin() ? 0 : std::prev(next)->audioMs;
    pose.shape = next == sounds.cbegin() ? MouthShape::Rest : ofPhoneme(std::prev(next)->phoneme);
    pose.toward = pose.shape;
    pose.sound = int(std::distance(sounds.cbegin(), next)) - 1;
    pose.opening = std::clamp(int(UtteranceText::levelAt(u, playedMs) * kOpenings), 0, kOpenings - 1);
    if (next == sounds.cend())
        return pose;
    // Of sounds that start together (a word's boundary "_|" and its first sound), the last is heard.
    auto heard = next;
    while (std::next(heard) != sounds.cend() && std::next(heard)->audioMs == next->audioMs)
        ++heard;
    const MouthShape coming = ofPhoneme(heard->phoneme);
    const int glideMs = std::min(kGlideMs, next->audioMs - startMs - kHoldMs);
    const int left = next->audioMs - playedMs;
    if (coming != pose.shape && glideMs > 0 && left <= glideMs) {
        pose.toward = coming;
        pose.step = std::clamp(1 + (glideMs - left) * (kGlideSteps - 1) / glideMs, 1, kGlideSteps - 1);
    }
    return pose;
}

QString frameName(const MouthPose &pose)
{
    if (pose.step == 0 || pose.toward == pose.shape)
        return name(pose.shape) + QLatin1Char(' ') + QString::number(pose.opening);
    const bool inOrder = pose.shape < pose.toward;
    return QStringLiteral("%1 %2 %3")
        .arg(name(inOrder ? pose.shape : pose.toward), name(inOrder ? pose.toward : pose.shape))
        .arg(inOrder ? pose.step : kGlideSteps - pose.step);
}

} // namespace MouthShapes
