// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// The entry of the character module: the game reads the module (voice, sound server client,
// the wizard's drawings) only after its first box is up, and creates the control through here.
#include "agent/AgentControl.h"

// The caller owns the control, and deletes it before the application object goes.
extern "C" Q_DECL_EXPORT Agent *tirlindo_create_agent(QWidget *gameWindow)
{
    return new AgentControl(gameWindow);
}

// Closes the sound stream and stops the voice's threads; the game calls it on its way out.
extern "C" Q_DECL_EXPORT void tirlindo_stop_voice(Agent *agent, int statusIfStuck)
{
    static_cast<AgentControl *>(agent)->stopVoice(statusIfStuck);
}
