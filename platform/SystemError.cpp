// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/SystemError.h"

#include "countdown/keeper/SystemReason.h"

QString italianReason(int errnum)
{
    return QString::fromStdString(systemReason(errnum));
}
