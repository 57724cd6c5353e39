// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/ProcessEnd.h"

#include <cstdio>
#include <unistd.h>

void ProcessEnd::End(int status)
{
    // The game ends at once: every file was closed by the routine that opened it, so
    // nothing is left to save, and the character's threads must not keep it alive. His
    // voice is stopped first: the sound stream is closed, not dropped in mid-phrase.
    if (beforeEnd)
        beforeEnd(status);
    std::fflush(nullptr);
    ::_exit(status);
}
