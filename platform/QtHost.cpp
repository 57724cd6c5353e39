// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/QtHost.h"

#include "base/RuntimeError.h"
#include "platform/SystemError.h"

#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QProxyStyle>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class BoxButtonStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const override
    {
        const auto picture = std::find_if(std::begin(kPictures), std::end(kPictures),
                                          [which](const QtPicture &p) { return p.which == which; });
        if (picture == std::end(kPictures) || QIcon::themeName() != QLatin1String(kBareTheme)
            || QGuiApplication::layoutDirection() == Qt::RightToLeft)
            return QProxyStyle::standardIcon(which, option, widget);
        QIcon &icon = m_icons[which];
        if (icon.isNull()) {
            for (int size : picture->sizes) {
                // Read as the PNGs they are: a reader that may guess loads every image format
                // plugin (and the JPEG library) to ask them first.
                QImageReader reader(QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1-%2.png")
                                        .arg(QLatin1String(picture->name))
                                        .arg(size),
                                    "png");
                reader.setAutoDetectImageFormat(false);
                icon.addPixmap(QPixmap::fromImage(reader.read()));
            }
        }
        return icon;
    }

    static constexpr const char *kBareTheme = "hicolor";

private:
    struct QtPicture
    {
        StandardPixmap which;
        const char *name;
        int sizes[3];
    };
    // The boxes' two buttons, and the menu bar's button for entries that do not fit.
    static constexpr QtPicture kPictures[] = {
        {SP_DialogOkButton, "standardbutton-ok", {16, 32, 128}},
        {SP_DialogCancelButton, "standardbutton-cancel", {16, 32, 128}},
        {SP_ToolBarHorizontalExtensionButton, "toolbar-ext-h", {8, 16, 32}},
    };
    mutable QHash<int, QIcon> m_icons;
};

} // namespace

void useQtBoxButtonPictures()
{
    // Qt's own pictures, where they are: another Qt build may keep them elsewhere.
    if (!QFile::exists(QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-ok-16.png")))
        return;
    // The application's own style stays underneath, whatever chose it.
    QApplication::setStyle(new BoxButtonStyle(QApplication::style()));
}

QString QtDialogs::InputBox(const QString &prompt)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(kProgramTitle);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setObjectName(QStringLiteral("InputBox"));
    if (box.exec() != QDialog::Accepted)
        return QString();
    return firstLineOnly(box.textValue());
}

void QtDialogs::MsgBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, kProgramTitle, text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("MsgBox"));
    box.setTextFormat(Qt::PlainText); // a player's name is shown as typed, never as markup
    box.exec();
}

void ClockRandom::Randomize()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    m_engine.seed(static_cast<std::mt19937::result_type>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

float ClockRandom::Rnd()
{
    // 24 random bits make every float in [0, 1) on an even grid, never 1 itself.
    return float(m_engine() >> 8) / float(1u << 24);
}

QString firstLineOnly(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text.at(i).unicode()) {
        case u'\0':
        case u'\n':
        case u'\r':
        case u'\v':
        case u'\f':
        case 0x85:   // next line
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
            return text.left(i);
        default:
            break;
        }
    }
    return text;
}

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
