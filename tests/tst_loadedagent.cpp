// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// The character as the program gets it: from its module, read at run time. This test links
// the game's core only, as the program does, so everything of the character comes through
// the module.
#include "character/Agent.h"
#include "platform/FirstWindow.h"
#include "platform/LoadedAgent.h"
#include "base/RuntimeError.h"

#include <QWidget>
#include <QtTest>

#include <dlfcn.h>

namespace {
const QString kModule = QStringLiteral(TIRLINDO_TEST_AGENT_MODULE);

bool moduleLoaded()
{
    void *handle = dlopen(QFile::encodeName(kModule).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

bool aToolWindowShows()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowFlags().testFlag(Qt::Tool))
            return true;
    }
    return false;
}
} // namespace

class LoadedAgentTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theModuleIsReadOnlyOnceTheFirstWindowIsDrawn();
    void theModulesCharacterPerformsTheRequests();
    void requestsTheModuleRefusesThrowAtTheCall_data();
    void requestsTheModuleRefusesThrowAtTheCall();
    void aMissingModuleIsAnErrorAtTheFirstRequest();
};

// Runs first: nothing else in this process has read the module yet.
void LoadedAgentTest::theModuleIsReadOnlyOnceTheFirstWindowIsDrawn()
{
    LoadedAgent agent(kModule);
    bool asked = false;
    afterFirstWindowDrawn([&] {
        asked = true;
        agent.preload();
    });
    QCoreApplication::processEvents();
    QVERIFY(!asked);
    QVERIFY(!moduleLoaded());
    QWidget first;
    first.show();
    QVERIFY(QTest::qWaitForWindowExposed(&first));
    QTRY_VERIFY_WITH_TIMEOUT(moduleLoaded(), 10000);
}

void LoadedAgentTest::theModulesCharacterPerformsTheRequests()
{
    QWidget game;
    LoadedAgent agent(kModule);
    agent.setGameWindow(&game);
    agent.Characters().Load(kMerlinId, kMerlinFile);
    AgentCharacter &merlin = agent.Characters().Item(kMerlinId);
    merlin.Show();
    merlin.MoveTo(250, 175);
    QTRY_VERIFY_WITH_TIMEOUT(aToolWindowShows(), 10000);
}

void LoadedAgentTest::requestsTheModuleRefusesThrowAtTheCall_data()
{
    QTest::addColumn<QString>("request");
    QTest::newRow("Item of an identifier never loaded") << "item";
    QTest::newRow("Play of an animation he lacks") << "play";
    QTest::newRow("Load of a missing file") << "load";
}

void LoadedAgentTest::requestsTheModuleRefusesThrowAtTheCall()
{
    QFETCH(QString, request);
    LoadedAgent agent(kModule);
    agent.Characters().Load(kMerlinId, kMerlinFile);
    const auto call = [&] {
        if (request == "item")
            agent.Characters().Item(QStringLiteral("Peedy"));
        else if (request == "play")
            agent.Characters().Item(kMerlinId).Play(QStringLiteral("Fly"));
        else
            agent.Characters().Load(QStringLiteral("Robin"), QStringLiteral("/nowhere/Robin.acs"));
    };
    // Thrown in the module, caught here as the window's handlers catch it.
    QVERIFY_THROWS_EXCEPTION(RuntimeError, call());
}

void LoadedAgentTest::aMissingModuleIsAnErrorAtTheFirstRequest()
{
    LoadedAgent agent(QStringLiteral("/nowhere/tirlindo-agent.so"));
    agent.preload();
    try {
        agent.Characters().Load(kMerlinId, kMerlinFile);
        QFAIL("a missing module was not reported");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.message().contains(QStringLiteral("personaggio")), qPrintable(error.message()));
    }
}

QTEST_MAIN(LoadedAgentTest)
#include "tst_loadedagent.moc"
