// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/LoadedAgent.h"

#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLibrary>
#include <QTimer>

#include <functional>

namespace {

// Waits for the first window to be drawn, then starts the module's loading once the event
// loop is free again, so not even the thread's start comes before the first box's pixels.
class FirstExposure : public QObject
{
public:
    FirstExposure(std::function<void()> then, QObject *parent)
        : QObject(parent)
        , m_then(std::move(then))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && watched->isWindowType()) {
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_then;
};

} // namespace

LoadedAgent::LoadedAgent(const QString &modulePath)
    : m_path(modulePath)
{
}

LoadedAgent::~LoadedAgent()
{
    delete m_waiter;
    if (m_module.valid())
        m_module.wait();
    if (m_owned)
        delete m_agent;
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
        if (!module.create)
            module.error = library.errorString();
        return module; // the library stays loaded: it is never unloaded
    });
}

void LoadedAgent::preloadAfterFirstWindow()
{
    if (m_waiter || m_module.valid() || m_agent)
        return;
    m_waiter = new FirstExposure([this] { preload(); }, QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(m_waiter);
}

Agent &LoadedAgent::agent()
{
    if (m_agent)
        return *m_agent;
    preload();
    const Module module = m_module.get();
    if (!module.create)
        throw RuntimeError(QStringLiteral("Il componente del personaggio non \u00e8 disponibile (%1)").arg(module.error));
    m_agent = module.create(m_container);
    m_owned = !m_container;
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
