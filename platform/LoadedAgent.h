// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "character/Agent.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <future>
#include <memory>

// The speaking-character control, read from its own module. The module brings the voice, the
// sound server's client and the wizard's drawings, none of which the first box needs, so the
// program does not link them: preload() reads the module on a thread of its own, and the
// first request waits for it there if it has not finished.
class LoadedAgent : public Agent, private AgentCharacters
{
public:
    explicit LoadedAgent(const QString &modulePath = installedModulePath());
    ~LoadedAgent() override;

    // The window the character stands above; given before the first request.
    void setGameWindow(QWidget *window) { m_gameWindow = window; }
    // Starts reading the module in the background; harmless when already started.
    void preload();

    AgentCharacters &Characters() override { return *this; }
    // Stops the character's voice before the program ends; nothing to do if it never spoke.
    void stopVoice(int statusIfStuck);

    // The module beside the program (build tree) or in its library folder (installed tree).
    static QString installedModulePath();

private:
    using Create = Agent *(*)(QWidget *);
    using StopVoice = void (*)(Agent *, int);
    struct Module
    {
        Create create = nullptr;
        StopVoice stopVoice = nullptr;
        QString error;
    };

    void Load(const QString &characterId, const QString &loadKey) override;
    AgentCharacter &Item(const QString &characterId) override;
    Agent &agent();

    QString m_path;
    QPointer<QWidget> m_gameWindow;
    std::future<Module> m_module;
    std::unique_ptr<Agent> m_agent;
    StopVoice m_stopVoice = nullptr;
};
