// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/LoadedAgent.h"

#include "base/RuntimeError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

LoadedAgent::LoadedAgent(const QString &modulePath)
    : m_path(modulePath)
{
}

LoadedAgent::~LoadedAgent()
{
    if (m_module.valid())
        m_module.wait();
}

QString LoadedAgent::installedModulePath()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QStringLiteral("/" TIRLINDO_AGENT_MODULE_FILE);
    if (QFileInfo::exists(beside))
        return beside;
    return dir + QStringLiteral("/" TIRLINDO_AGENT_MODULE_DIR "/" TIRLINDO_AGENT_MODULE_FILE);
}

void LoadedAgent::preload()
{
    if (m_module.valid() || m_agent)
        return;
    m_module = std::async(std::launch::async, [path = m_path] {
        QLibrary library(path);
        // Every symbol bound here, on this thread, rather than one by one on the UI thread.
        library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        Module module;
        module.create = reinterpret_cast<Create>(library.resolve("tirlindo_create_agent"));
        module.stopVoice = reinterpret_cast<StopVoice>(library.resolve("tirlindo_stop_voice"));
        if (!module.create)
            module.error = library.errorString();
        return module; // the library stays loaded: it is never unloaded
    });
}

Agent &LoadedAgent::agent()
{
    if (m_agent)
        return *m_agent;
    preload();
    const Module module = m_module.get();
    if (!module.create)
        throw RuntimeError(QStringLiteral("Il componente del personaggio non \u00e8 disponibile (%1)").arg(module.error));
    m_agent.reset(module.create(m_gameWindow));
    m_stopVoice = module.stopVoice;
    return *m_agent;
}

void LoadedAgent::Load(const QString &characterId, const QString &loadKey)
{
    agent().Characters().Load(characterId, loadKey);
}

AgentCharacter &LoadedAgent::Item(const QString &characterId)
{
    return agent().Characters().Item(characterId);
}

void LoadedAgent::stopVoice(int statusIfStuck)
{
    if (m_agent && m_stopVoice)
        m_stopVoice(m_agent.get(), statusIfStuck);
}
