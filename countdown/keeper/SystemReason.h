// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <string>

// Why a system call failed, in Italian (UTF-8), from its errno: the boxes are read by children
// and teachers who do not read the system's English, and whatever locale is installed.
std::string systemReason(int errnum);
