// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/SystemError.h"

#include <cerrno>

QString italianReason(int errnum)
{
    switch (errnum) {
    case EACCES:
        return QStringLiteral("permesso negato");
    case EPERM:
        return QStringLiteral("operazione non permessa");
    case EROFS:
        return QStringLiteral("il disco \u00e8 di sola lettura");
    case ENOSPC:
        return QStringLiteral("il disco \u00e8 pieno");
    case EDQUOT:
        return QStringLiteral("lo spazio concesso sul disco \u00e8 esaurito");
    case ENOENT:
        return QStringLiteral("il file o la cartella non esiste");
    case ENOTDIR:
        return QStringLiteral("una parte del percorso non \u00e8 una cartella");
    case EISDIR:
        return QStringLiteral("\u00e8 una cartella");
    case EBUSY:
        return QStringLiteral("il file \u00e8 in uso dal sistema");
    case ETXTBSY:
        return QStringLiteral("il file \u00e8 in uso da un programma");
    case EEXIST:
        return QStringLiteral("esiste gi\u00e0");
    case ENOTEMPTY:
        return QStringLiteral("la cartella non \u00e8 vuota");
    case EIO:
        return QStringLiteral("errore di lettura o scrittura sul disco");
    case ENAMETOOLONG:
        return QStringLiteral("il percorso \u00e8 troppo lungo");
    case ELOOP:
        return QStringLiteral("troppi collegamenti simbolici nel percorso");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("troppi file aperti");
    case EFBIG:
        return QStringLiteral("il file \u00e8 troppo grande");
    case EXDEV:
        return QStringLiteral("i file sono su dischi diversi");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("il dispositivo non \u00e8 disponibile");
    case EINVAL:
        return QStringLiteral("operazione non valida per questo file");
    case EINTR:
        return QStringLiteral("operazione interrotta");
    case ENOMEM:
        return QStringLiteral("memoria esaurita");
    case EAGAIN:
        return QStringLiteral("risorsa momentaneamente non disponibile");
    case ESTALE:
        return QStringLiteral("il file non \u00e8 pi\u00f9 raggiungibile in rete");
    default:
        return QStringLiteral("errore di sistema %1").arg(errnum);
    }
}
