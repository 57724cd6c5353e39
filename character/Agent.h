// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QString>

// The speaking character as the game sees it. Every request returns at once; the
// component performs them later, one after another, in the order they were issued.
// A refused request throws RuntimeError (base/RuntimeError.h) at the call.
class AgentCharacter
{
public:
    virtual ~AgentCharacter() = default;
    virtual void Show() = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void Play(const QString &animation) = 0;
    virtual void setHeight(int pixels) = 0;
    virtual void Speak(const QString &text) = 0;

    // Not a request but a hint, given right after Item() by the routine that dictates a new
    // exercise: what earlier routines asked and has not begun yet is about exercises no
    // longer on display. The component may drop it when requests pile up faster than it
    // performs them; it never reorders requests or cuts one short.
    virtual void beginExercise() {}
};

class AgentCharacters
{
public:
    virtual ~AgentCharacters() = default;
    virtual void Load(const QString &characterId, const QString &loadKey) = 0;
    virtual AgentCharacter &Item(const QString &characterId) = 0;
};

class Agent
{
public:
    virtual ~Agent() = default;
    virtual AgentCharacters &Characters() = 0;
};

// The character file the game loads; the component resolves it to its bundled copy.
inline const QString kMerlinId = QStringLiteral("Merlin");
inline const QString kMerlinFile = QStringLiteral("C:\\WINDOWS\\msagent\\chars\\Merlin.acs");
