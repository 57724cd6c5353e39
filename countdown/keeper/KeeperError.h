// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <stdexcept>
#include <string>

// tirlindo-record's exit statuses; the game reads them.
enum KeeperStatus {
    kSaved = 0,     // the new record is in place (or, with --recover, the folder is in order)
    kRefused = 2,   // the request or the command line is not one the game would make
    kNotHigher = 3, // the record on the disk is already as high or higher: nothing written
    kFailed = 4,    // the files could not be read or written; the old pair stands
};

// Why tirlindo-record stops, in Italian (UTF-8), and the status it stops with.
class KeeperError : public std::runtime_error
{
public:
    KeeperError(const std::string &message, KeeperStatus status)
        : std::runtime_error(message), m_status(status)
    {
    }
    KeeperStatus status() const { return m_status; }

private:
    KeeperStatus m_status;
};
