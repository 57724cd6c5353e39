// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/AgentControl.h"

#include "base/RuntimeError.h"
#include "agent/CharacterFile.h"
#include "agent/FloatingCharacter.h"
#include "agent/voice/Voice.h"
#include "agent/windows/FloatingWindows.h"

#include <QtGlobal>

void initAgentResources()
{
    // Resources of a static library are not registered until someone asks.
    Q_INIT_RESOURCE(merlin);
}

AgentControl::AgentControl(QWidget *gameWindow, QObject *parent, std::unique_ptr<Voice> voice,
                           std::unique_ptr<WindowStacking> stacking)
    : QObject(parent)
    , m_gameWindow(gameWindow)
    , m_voice(voice ? std::move(voice) : std::make_unique<Voice>())
    , m_log(RequestLog::pathFromEnvironment(), RequestLog::framePathFromEnvironment())
    , m_windows(stacking ? std::move(stacking) : std::make_unique<FloatingWindows>())
{
    initAgentResources();
}

AgentControl::~AgentControl()
{
    m_characters.clear();
}

void AgentControl::stopVoice(int statusIfStuck)
{
    m_voice->shutDown(statusIfStuck);
}

AgentCharacters &AgentControl::Characters()
{
    return *this;
}

void AgentControl::Load(const QString &characterId, const QString &loadKey)
{
    // Read and checked here, so that a bad file is refused at the call.
    CharacterFile file = CharacterFile::load(loadKey);
    const QString key = characterId.toLower();
    if (m_characters.count(key))
        return; // already there, perhaps mid-speech: keep it
    auto character = std::make_unique<FloatingCharacter>(characterId, std::move(file), m_voice->worker(), *m_windows, &m_log, this);
    character->setTimeScale(m_timeScale);
    character->setAudioEnabled(m_audio);
    FloatingCharacter *c = character.get();
    connect(c, &FloatingCharacter::requestStarted, this,
            [this, characterId](const QString &r) { Q_EMIT requestStarted(characterId, r); });
    connect(c, &FloatingCharacter::requestFinished, this,
            [this, characterId](const QString &r) { Q_EMIT requestFinished(characterId, r); });
    connect(c, &FloatingCharacter::queueEmptied, this, [this, characterId] { Q_EMIT queueEmptied(characterId); });
    m_characters.emplace(key, std::move(character));
    // The characters stand over the game: they follow its window.
    if (m_gameWindow)
        m_windows->followGame(m_gameWindow);
}

AgentCharacter &AgentControl::Item(const QString &characterId)
{
    FloatingCharacter *c = character(characterId);
    if (!c)
        throw RuntimeError(QStringLiteral("Personaggio non caricato: %1").arg(characterId));
    // Each routine fetches the character at its start: what it asks until the next fetch
    // belongs together.
    c->startBatch();
    return *c;
}

FloatingCharacter *AgentControl::character(const QString &characterId) const
{
    const auto it = m_characters.find(characterId.toLower());
    return it == m_characters.end() ? nullptr : it->second.get();
}

bool AgentControl::isIdle() const
{
    for (const auto &[key, c] : m_characters)
        if (c->isBusy())
            return false;
    return true;
}

void AgentControl::setTimeScale(double scale)
{
    m_timeScale = scale;
    for (const auto &[key, c] : m_characters)
        c->setTimeScale(scale);
}

void AgentControl::setAudioEnabled(bool enabled)
{
    m_audio = enabled;
    for (const auto &[key, c] : m_characters)
        c->setAudioEnabled(enabled);
}
