// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <functional>
#include <future>

// Runs `then` once, on the event loop, right after the program's first window has been drawn:
// work that the first box does not need waits for it there instead of delaying it.
void afterFirstWindowDrawn(std::function<void()> then);

// Looks up, on a thread of its own, what the boxes' standard buttons look for the first time
// they are built: their icons in the desktop's icon theme (whose index is long to read) and
// the image readers. Icons go through one loader that serves one thread at a time: nothing
// may use an icon or the style's standard pictures until the returned task has been waited for.
std::future<void> lookUpButtonIcons();
