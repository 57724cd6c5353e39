// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "character/Agent.h"
#include "agent/RequestLog.h"
#include "agent/voice/Voice.h"
#include "agent/windows/WindowStacking.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

class FloatingCharacter;

// Registers the bundled character files; AgentControl does it too, so a program that creates
// one never needs to call it.
void initAgentResources();

// The speaking-character control: loads characters and hands them out by identifier. The
// characters float in windows of their own, above the game window they are given.
//
// It owns everything the characters run on, and with it every thread of the component:
// - the UI thread: this control, the characters, their windows and timers;
// - the voice thread (Voice): the phrase queue and its clock, VoiceWorker; reached from the UI
//   thread only through queued calls and signals;
// - the synthesiser's start-up thread (EspeakSynthesizer): espeak's set-up, once; synthesis
//   itself then runs on the voice thread;
// - the audio thread (Voice): AudioOutput, which libpulse's own loop thread calls back; the
//   voice thread reads how far it got through atomics and hands it phrases;
// - one drawing thread per character window (CharacterWindow, drawing with FrameDrawing):
//   pictures of frames, handed back to the window; started and stopped by the window.
// Voice starts its threads when the control is made and stops them in stopVoice(), which every
// way out of the program calls (and which an exit() from inside a library reaches too), or
// when the control is destroyed. The control's window stacking (FloatingWindows), on the UI
// thread, watches the game's window and the application's native events from the first
// character loaded over a game window until the control goes.
class AgentControl : public QObject, public Agent, private AgentCharacters
{
    Q_OBJECT
public:
    // The characters stand above `gameWindow` (none: at their default place, over everything).
    // They speak with `voice`, or with espeak-ng through the sound server when none is given,
    // and stand where `stacking` puts them, or among the desktop's windows (FloatingWindows).
    explicit AgentControl(QWidget *gameWindow, QObject *parent = nullptr, std::unique_ptr<Voice> voice = nullptr,
                          std::unique_ptr<WindowStacking> stacking = nullptr);
    ~AgentControl() override;

    AgentCharacters &Characters() override;

    // For tests, benchmarks and tools; the game needs none of this.
    FloatingCharacter *character(const QString &characterId) const;
    bool isIdle() const;
    void setTimeScale(double scale);
    void setAudioEnabled(bool enabled);

    // See Voice::shutDown.
    void stopVoice(int statusIfStuck);

Q_SIGNALS:
    void requestStarted(const QString &characterId, const QString &request);
    void requestFinished(const QString &characterId, const QString &request);
    void queueEmptied(const QString &characterId);

private:
    void Load(const QString &characterId, const QString &loadKey) override;
    AgentCharacter &Item(const QString &characterId) override;

    QPointer<QWidget> m_gameWindow;
    std::unique_ptr<Voice> m_voice; // outlives the characters, which speak through it
    RequestLog m_log;               // outlives the characters, which write to it
    std::unique_ptr<WindowStacking> m_windows; // outlives the characters' windows, which it stacks
    std::map<QString, std::unique_ptr<FloatingCharacter>> m_characters; // key: lower-case id
    double m_timeScale = 1.0;
    bool m_audio = true;
};
