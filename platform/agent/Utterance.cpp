// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/agent/Utterance.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace UtteranceText {

QString revealedUpTo(const Utterance &u, int playedMs)
{
    if (playedMs >= u.durationMs)
        return u.text;
    int end = -1;
    for (const SpokenWord &w : u.words) {
        if (w.audioMs > playedMs)
            break;
        end = std::max(end, w.textStart + w.textLength);
    }
    if (end < 0)
        return {};
    // Keep the punctuation that sticks to the word ("attenzione," not "attenzione").
    while (end < u.text.size() && !u.text.at(end).isSpace())
        ++end;
    return u.text.left(end);
}

QList<float> mouthLevels(const QByteArray &pcm)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    const qsizetype step = Utterance::kSampleRate * Utterance::kLevelStepMs / 1000;
    QList<float> levels;
    float loudest = 0;
    for (qsizetype begin = 0; begin < count; begin += step) {
        const qsizetype end = std::min(count, begin + step);
        double sum = 0;
        for (qsizetype i = begin; i < end; ++i)
            sum += double(samples[i]) * samples[i];
        const float rms = float(std::sqrt(sum / double(end - begin)));
        levels.append(rms);
        loudest = std::max(loudest, rms);
    }
    if (loudest > 0)
        for (float &l : levels)
            l /= loudest;
    return levels;
}

Utterance estimated(const QString &text)
{
    constexpr int kWordMs = 400;
    Utterance u;
    u.text = text;
    static const QRegularExpression word(QStringLiteral("\\S+"));
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        u.words.append({int(m.capturedStart()), int(m.capturedLength()), int(u.words.size()) * kWordMs});
        // A talking mouth without audio: open and close once per word.
        u.levels << 0.3f << 0.9f << 0.7f << 1.0f << 0.6f << 0.9f << 0.5f << 0.8f << 0.3f << 0.f;
    }
    u.durationMs = int(u.words.size()) * kWordMs;
    return u;
}

} // namespace UtteranceText
