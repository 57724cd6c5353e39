// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/voice/EspeakSynthesizer.h"

#include <QThread>

#include <espeak-ng/speak_lib.h>

#include <chrono>
#include <utility>

namespace {

// The first phrase may wait this long for the synthesiser to start, never longer.
constexpr int kFirstSynthWaitMs = 1000;
// Between two phrases said as one ("9" "per" "tre"): a short breath, not a full stop.
constexpr int kContinuingPauseMs = 220;
// Full volume brings some phrases within a hair of full scale: leave room.
constexpr int kVolume = 85;

// espeak hands samples and events to one C callback; the phrase being collected travels as
// the synthesis call's user data, which every event list carries (its terminator included).
int collect(short *samples, int count, espeak_EVENT *events)
{
    auto *u = events ? static_cast<Utterance *>(events->user_data) : nullptr;
    if (!u)
        return 0;
    if (samples && count > 0)
        u->pcm.append(reinterpret_cast<const char *>(samples), qsizetype(count) * 2);
    for (espeak_EVENT *e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        // The last WORD event has length 0 and names no word.
        if (e->type == espeakEVENT_WORD && e->length > 0)
            u->words.append({e->text_position - 1, e->length, e->audio_position});
        // The name fills all 8 bytes, unterminated, when it is that long.
        if (e->type == espeakEVENT_PHONEME)
            u->sounds.append({QByteArray(e->id.string, qstrnlen(e->id.string, sizeof e->id.string)),
                              e->audio_position});
    }
    return 0;
}

} // namespace

EspeakSynthesizer::EspeakSynthesizer()
    : m_starter(QThread::create([this] { start(); }))
{
    m_starter->setObjectName(QStringLiteral("tirlindo-synth"));
    m_starter->start();
}

EspeakSynthesizer::~EspeakSynthesizer()
{
    // Only reached once the thread has finished: a stuck one ends the process first.
    if (m_starter->isFinished())
        delete m_starter;
}

void EspeakSynthesizer::start()
{
    // Without DONT_EXIT espeak ends the whole program on a data error.
    const bool ok = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                      espeakINITIALIZE_DONT_EXIT | espeakINITIALIZE_PHONEME_EVENTS)
                    == Utterance::kSampleRate;
    if (ok)
        espeak_SetSynthCallback(collect);
    else
        qWarning("tirlindo: sintesi vocale non disponibile, il mago parla in silenzio");
    {
        std::lock_guard lock(m_mutex);
        m_state = ok ? Ready : Failed;
    }
    m_changed.notify_all();
}

bool EspeakSynthesizer::ready(int waitMs)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return m_state != Starting; });
    return m_state == Ready;
}

bool EspeakSynthesizer::finishStarting(QDeadlineTimer deadline)
{
    return m_starter->wait(deadline);
}

Utterance EspeakSynthesizer::synthesize(const QString &text, const VoiceSettings &settings)
{
    if (!ready(std::exchange(m_waitedOnce, true) ? 0 : kFirstSynthWaitMs))
        return UtteranceText::estimated(text);
    const QString voice = settings.variant.isEmpty() ? settings.language
                                                     : settings.language + QLatin1Char('+') + settings.variant;
    if (espeak_SetVoiceByName(voice.toUtf8().constData()) != EE_OK)
        return UtteranceText::estimated(text);
    espeak_SetParameter(espeakVOLUME, kVolume, 0);
    espeak_SetParameter(espeakRATE, settings.rate, 0);
    espeak_SetParameter(espeakPITCH, settings.pitch, 0);
    espeak_SetParameter(espeakRANGE, settings.range, 0);

    Utterance u;
    u.text = text;
    // A comma keeps the voice up at the end: the phrase that follows completes it. The word
    // events still point into the text as given, which the comma only follows.
    const QByteArray utf8 = settings.continues ? (text + QLatin1Char(',')).toUtf8() : text.toUtf8();
    const espeak_ERROR result = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8, nullptr, &u);
    if (result != EE_OK || u.pcm.isEmpty())
        return UtteranceText::estimated(text);
    UtteranceText::soften(u.pcm);
    if (settings.continues)
        UtteranceText::fitTrailingSilence(u.pcm, kContinuingPauseMs);
    u.durationMs = int(qint64(u.pcm.size()) * 1000 / (2 * Utterance::kSampleRate));
    u.levels = UtteranceText::mouthLevels(u.pcm);
    return u;
}
