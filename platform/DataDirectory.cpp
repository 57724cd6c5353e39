// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/DataDirectory.h"

#include "base/RuntimeError.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// mkdir -p, saying why not.
void makeFolders(const QString &path)
{
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    QString done;
    for (const QString &part : parts) {
        done += u'/' + part;
        const QByteArray native = QFile::encodeName(done);
        if (::mkdir(native.constData(), 0777) == 0)
            continue;
        const int error = errno;
        struct stat st{};
        if (::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        throw RuntimeError(QStringLiteral("Impossibile creare la cartella dei record %1 (%2)")
                               .arg(path, italianReason(error == EEXIST ? ENOTDIR : error)));
    }
}
} // namespace

QString dataFolderFor(const QString &xdgDataHome, const QString &home, const QString &homeInPasswd)
{
    // Relative paths mean nothing fixed: the base directory rules say to ignore them.
    const auto absolute = [](const QString &path) { return path.startsWith(u'/') ? path : QString(); };
    QString base = absolute(xdgDataHome);
    if (base.isEmpty()) {
        QString user = absolute(home);
        if (user.isEmpty())
            user = absolute(homeInPasswd);
        if (user.isEmpty())
            return QString();
        base = user + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(base + QStringLiteral("/tirlindo"));
}

QString DataDirectory::GetWindowsDirectory()
{
    const QString chosen = qEnvironmentVariable("TIRLINDO_RECORD_DIR");
    if (!chosen.isEmpty()) {
        const QString dir = QDir(chosen).absolutePath();
        makeFolders(dir);
        return dir;
    }
    if (QFileInfo(RecordHelper::sharedFolder()).isDir())
        return RecordHelper::sharedFolder();
    const struct passwd *entry = ::getpwuid(::getuid());
    const QString dir = dataFolderFor(qEnvironmentVariable("XDG_DATA_HOME"), qEnvironmentVariable("HOME"),
                                      entry && entry->pw_dir ? QFile::decodeName(entry->pw_dir) : QString());
    if (dir.isEmpty())
        throw RuntimeError(QStringLiteral("Non trovo la cartella dei record: non sono impostate n\u00e9 "
                                          "XDG_DATA_HOME n\u00e9 HOME, e l'utente non ha una cartella personale"));
    makeFolders(dir);
    return dir;
}

RecordHelper DataDirectory::helper() const
{
    return RecordHelper(RecordHelper::installedProgram(), RecordHelper::sharedFolder());
}

bool DataDirectory::SaveRecord(const QString &folder, const QString &score, const QString &holder)
{
    return helper().save(folder, score, holder);
}

void DataDirectory::RecoverRecord(const QString &folder)
{
    helper().recover(folder);
}
