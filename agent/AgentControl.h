// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "character/Agent.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

class FloatingCharacter;

// Registers the bundled character files; AgentControl does it too, so a program that creates
// one never needs to call it.
void initAgentResources();

// The speaking-character control: loads characters and hands them out by identifier. Nothing
// is drawn into the container: the characters float in windows of their own, above the game.
class AgentControl : public QObject, public Agent, private AgentCharacters
{
    Q_OBJECT
public:
    explicit AgentControl(QWidget *container, QObject *parent = nullptr);
    ~AgentControl() override;

    AgentCharacters &Characters() override;

    // For tests, benchmarks and tools; the game needs none of this.
    FloatingCharacter *character(const QString &characterId) const;
    bool isIdle() const;
    void setTimeScale(double scale);
    void setAudioEnabled(bool enabled);

Q_SIGNALS:
    void requestStarted(const QString &characterId, const QString &request);
    void requestFinished(const QString &characterId, const QString &request);
    void queueEmptied(const QString &characterId);

private:
    void Load(const QString &characterId, const QString &loadKey) override;
    AgentCharacter &Item(const QString &characterId) override;

    QPointer<QWidget> m_container;
    std::map<QString, std::unique_ptr<FloatingCharacter>> m_characters; // key: lower-case id
    double m_timeScale = 1.0;
    bool m_audio = true;
};
