// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/Host.h"

#include <functional>

// The process itself ends, at once.
class ProcessEnd : public ProgramEnd
{
public:
    void End(int status) override;
    // Runs first: the character's voice is stopped before the process goes.
    std::function<void(int status)> beforeEnd;
};
