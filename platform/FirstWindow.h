// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <functional>

// Runs `then` once, on the event loop, right after the program's first window has been drawn:
// work that the first box does not need waits for it there instead of delaying it.
void afterFirstWindowDrawn(std::function<void()> then);
