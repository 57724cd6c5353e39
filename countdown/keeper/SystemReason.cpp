// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "countdown/keeper/SystemReason.h"

#include <cerrno>

std::string systemReason(int errnum)
{
    switch (errnum) {
    case EACCES:
        return "permesso negato";
    case EPERM:
        return "operazione non permessa";
    case EROFS:
        return "il disco \u00e8 di sola lettura";
    case ENOSPC:
        return "il disco \u00e8 pieno";
    case EDQUOT:
        return "lo spazio concesso sul disco \u00e8 esaurito";
    case ENOENT:
        return "il file o la cartella non esiste";
    case ENOTDIR:
        return "una parte del percorso non \u00e8 una cartella";
    case EISDIR:
        return "\u00e8 una cartella";
    case EBUSY:
        return "il file \u00e8 in uso dal sistema";
    case ETXTBSY:
        return "il file \u00e8 in uso da un programma";
    case EEXIST:
        return "esiste gi\u00e0";
    case ENOTEMPTY:
        return "la cartella non \u00e8 vuota";
    case EIO:
        return "errore di lettura o scrittura sul disco";
    case ENAMETOOLONG:
        return "il percorso \u00e8 troppo lungo";
    case ELOOP:
        return "troppi collegamenti simbolici nel percorso";
    case EMFILE:
    case ENFILE:
        return "troppi file aperti";
    case EFBIG:
        return "il file \u00e8 troppo grande";
    case EXDEV:
        return "i file sono su dischi diversi";
    case ENXIO:
    case ENODEV:
        return "il dispositivo non \u00e8 disponibile";
    case EINVAL:
        return "operazione non valida per questo file";
    case EINTR:
        return "operazione interrotta";
    case ENOMEM:
        return "memoria esaurita";
    case EAGAIN:
        return "risorsa momentaneamente non disponibile";
    case ESTALE:
        return "il file non \u00e8 pi\u00f9 raggiungibile in rete";
    default:
        return "errore di sistema " + std::to_string(errnum);
    }
}
