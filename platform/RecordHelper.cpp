// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/RecordHelper.h"

#include "countdown/keeper/KeeperError.h"
#include "countdown/keeper/RecordText.h"
#include "base/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <sys/stat.h>

namespace {
const QString kProgramName = QStringLiteral("tirlindo-record");

bool leftOver(const QString &folder, const QString &name)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(folder + u'/' + name).constData(), &st) == 0;
}

// Anything a crash may have left: a journal, half of one, or a ".new" or ".old" name. The
// shared folder's journal is always there, and empty unless a save was cut short.
bool interrupted(const QString &folder)
{
    const QString journal = QString::fromLatin1(RecordText::kJournalFile);
    struct stat st{};
    if (::lstat(QFile::encodeName(folder + u'/' + journal).constData(), &st) == 0
        && (st.st_size > 0 || !S_ISREG(st.st_mode)))
        return true;
    for (const QString &name : {journal + QStringLiteral(".undo"), journal + QStringLiteral(".tmp")}) {
        if (leftOver(folder, name))
            return true;
    }
    for (const char *file : {RecordText::kScoreFile, RecordText::kHolderFile}) {
        for (const char *suffix : {".new", ".old"}) {
            if (leftOver(folder, QString::fromLatin1(file) + QLatin1String(suffix)))
                return true;
        }
    }
    return false;
}
} // namespace

RecordHelper::RecordHelper(QString program, QString sharedFolder)
    : m_program(std::move(program)), m_shared(QDir::cleanPath(sharedFolder))
{
}

QString RecordHelper::sharedFolder()
{
    return QStringLiteral(TIRLINDO_SHARED_RECORD_DIR);
}

QString RecordHelper::installedProgram()
{
    const QString here = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(here + QStringLiteral("/" TIRLINDO_RECORD_HELPER_DIR "/") + kProgramName);
    return QFileInfo(installed).isExecutable() ? installed : here + u'/' + kProgramName;
}

bool RecordHelper::save(const QString &folder, const QString &score, const QString &holder) const
{
    QString said;
    const int status = run(folder, false, score.toUtf8() + '\n' + holder.toUtf8() + '\n', said);
    if (status == kSaved || status == kNotHigher)
        return status == kSaved;
    throw RuntimeError(said.isEmpty() ? QStringLiteral("Impossibile salvare il record (%1 \u00e8 terminato con lo stato %2)")
                                            .arg(kProgramName)
                                            .arg(status)
                                      : said);
}

void RecordHelper::recover(const QString &folder) const
{
    if (!interrupted(QDir::cleanPath(folder)))
        return;
    QString said;
    if (const int status = run(folder, true, QByteArray(), said))
        throw RuntimeError(said.isEmpty() ? QStringLiteral("Impossibile rimettere in ordine il record (%1 \u00e8 terminato con lo stato %2)")
                                                .arg(kProgramName)
                                                .arg(status)
                                          : said);
}

int RecordHelper::run(const QString &folder, bool recoverOnly, const QByteArray &input, QString &said) const
{
    QStringList arguments;
    if (recoverOnly)
        arguments << QStringLiteral("--recover");
    if (QDir::cleanPath(folder) != m_shared)
        arguments << QDir::cleanPath(folder);
    QProcess process;
    process.start(m_program, arguments);
    if (!process.waitForStarted())
        throw RuntimeError(QStringLiteral("Impossibile salvare il record: non riesco ad avviare %1 (%2)")
                               .arg(QDir::toNativeSeparators(m_program), process.errorString()));
    process.write(input);
    process.closeWriteChannel();

    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kWaitSeconds * 1000, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (process.state() != QProcess::NotRunning) {
        // Stopped anywhere, a save leaves the old pair or the new one: the next start sees which.
        process.kill();
        process.waitForFinished();
        throw RuntimeError(QStringLiteral("Impossibile salvare il record: %1 non ha finito in %2 secondi")
                               .arg(kProgramName)
                               .arg(kWaitSeconds));
    }
    said = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (process.exitStatus() == QProcess::CrashExit)
        throw RuntimeError(QStringLiteral("Impossibile salvare il record: %1 si \u00e8 interrotto").arg(kProgramName));
    return process.exitCode();
}
