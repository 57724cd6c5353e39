// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/Utterance.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <vector>

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

float levelAt(const Utterance &u, int playedMs)
{
    const QList<float> &levels = u.levels;
    const int step = playedMs / Utterance::kLevelStepMs;
    const float along = float(playedMs % Utterance::kLevelStepMs) / Utterance::kLevelStepMs;
    const float from = step < levels.size() ? levels.at(step) : 0.f;
    const float to = step + 1 < levels.size() ? levels.at(step + 1) : 0.f;
    return from + (to - from) * along;
}

void soften(QByteArray &pcm)
{
    // Fourth-order Butterworth low-pass as two biquads: speech keeps its consonants up to
    // about 6 kHz, the vowels' buzz near 7 kHz and the hiss of "z" above it fall away.
    constexpr double kCutoffHz = 6000;
    constexpr double kPeak = 0.84; // -1.5 dBFS
    auto *samples = reinterpret_cast<qint16 *>(pcm.data());
    const qsizetype count = pcm.size() / 2;
    std::vector<double> x(samples, samples + count);
    const double w = 2 * M_PI * kCutoffHz / Utterance::kSampleRate;
    for (const double q : {0.5412, 1.3066}) {
        const double alpha = std::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        const double b0 = (1 - std::cos(w)) / 2 / a0, b1 = (1 - std::cos(w)) / a0, b2 = b0;
        const double a1 = -2 * std::cos(w) / a0, a2 = (1 - alpha) / a0;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double &v : x) {
            const double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = v;
            y2 = y1;
            y1 = y;
            v = y;
        }
    }
    double peak = 0;
    for (const double v : x)
        peak = std::max(peak, std::abs(v));
    const double gain = peak > kPeak * 32767 ? kPeak * 32767 / peak : 1.0;
    for (qsizetype i = 0; i < count; ++i)
        samples[i] = qint16(std::lround(std::clamp(x[size_t(i)] * gain, -32767.0, 32767.0)));
}

void fitTrailingSilence(QByteArray &pcm, int ms)
{
    constexpr int kQuiet = 330; // -40 dBFS
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    qsizetype end = pcm.size() / 2;
    while (end > 0 && std::abs(samples[end - 1]) < kQuiet)
        --end;
    pcm.resize(end * 2);
    pcm.append(QByteArray(qsizetype(Utterance::kSampleRate) * ms / 1000 * 2, '\0'));
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
