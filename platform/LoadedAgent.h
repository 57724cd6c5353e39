// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "character/Agent.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <future>

// The speaking-character control, read from its own module. The module brings the voice, the
// sound server's client and the wizard's drawings, none of which the first box needs, so the
// program does not link them: preload() reads the module on a thread of its own, and the
// first request waits for it there if it has not finished.
class LoadedAgent : public Agent, private AgentCharacters
{
public:
    explicit LoadedAgent(const QString &modulePath = installedModulePath());
    ~LoadedAgent() override;

    // Where the control the module creates lives (the window's hidden picture box).
    void setContainer(QWidget *container) { m_container = container; }
    // Starts reading the module in the background; harmless when already started.
    void preload();

    AgentCharacters &Characters() override { return *this; }
    // Stops the character's voice before the program ends; nothing to do if it never spoke.
    void stopVoice(int statusIfStuck);

    // The module beside the program (build tree) or in its library folder (installed tree).
    static QString installedModulePath();

private:
    using Create = Agent *(*)(QWidget *);
    using StopVoice = void (*)(int);
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
    QPointer<QWidget> m_container;
    std::future<Module> m_module;
    Agent *m_agent = nullptr; // owned by its container, or by this when there is none
    StopVoice m_stopVoice = nullptr;
    bool m_owned = false;
};
