// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/FileTable.h"
#include "platform/DataDirectory.h"
#include "platform/QtDialogs.h"
#include "base/RuntimeError.h"
#include "platform/SystemError.h"

#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>

// The stand-ins for the world outside the window: the name box, the record folder, the files.
class PlatformTest : public QObject
{
    Q_OBJECT
private slots:
    void aNameKeepsWhatAOneLineBoxKeeps_data();
    void aNameKeepsWhatAOneLineBoxKeeps();
    void theNameBoxGivesOneLineOfAPastedText();
    void theBoxesLookTheSameWithQtsOwnButtonPictures();
    void theRecordFolderIsFoundWithOrWithoutTheEnvironment_data();
    void theRecordFolderIsFoundWithOrWithoutTheEnvironment();
    void aRecordFolderThatCannotBeMadeSaysWhyInItalian();
    void fileFailuresSayTheirTrueReasonInItalian_data();
    void fileFailuresSayTheirTrueReasonInItalian();
};

void PlatformTest::aNameKeepsWhatAOneLineBoxKeeps_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    QTest::newRow("one line") << "Niccol\u00f2 Rossi " << "Niccol\u00f2 Rossi ";
    QTest::newRow("two lines") << "Anna\nMaria" << "Anna";
    QTest::newRow("Windows line end") << "Anna\r\n" << "Anna";
    QTest::newRow("NUL inside") << QStringLiteral("Ugo") + QChar(0) + QStringLiteral("Bassi") << "Ugo";
    QTest::newRow("Unicode line separator") << "Eva\u2028Bassi" << "Eva";
    QTest::newRow("a line break first") << "\nLuca" << "";
    QTest::newRow("tabs are kept") << "Ugo\tBassi" << "Ugo\tBassi";
}

void PlatformTest::aNameKeepsWhatAOneLineBoxKeeps()
{
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    QCOMPARE(firstLineOnly(pasted), kept);
}

void PlatformTest::theNameBoxGivesOneLineOfAPastedText()
{
    QtDialogs dialogs;
    QTimer::singleShot(0, this, [] {
        auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QLineEdit *edit = box->findChild<QLineEdit *>();
        QVERIFY(edit);
        edit->insert(QStringLiteral("Mario\nRossi"));
        box->accept();
    });
    QCOMPARE(dialogs.InputBox(QStringLiteral("Come ti chiami?")), QStringLiteral("Mario"));
}

namespace {
// The name box and the message box as drawn, with the names of their buttons' pictures' sizes.
QList<QImage> boxPictures()
{
    QList<QImage> pictures;
    QInputDialog name;
    name.setLabelText(QStringLiteral("Come ti chiami?"));
    name.setTextValue(QStringLiteral("Ada"));
    name.show();
    pictures << name.grab().toImage();
    QMessageBox message(QMessageBox::NoIcon, QStringLiteral("Tirlindo"), QStringLiteral(" Ada vediamo"), QMessageBox::Ok);
    message.show();
    pictures << message.grab().toImage();
    for (QStyle::StandardPixmap which :
         {QStyle::SP_DialogOkButton, QStyle::SP_DialogCancelButton, QStyle::SP_ToolBarHorizontalExtensionButton})
        for (int size : {8, 16, 20, 32, 64, 128})
            pictures << QApplication::style()->standardIcon(which).pixmap(size).toImage();
    return pictures;
}
} // namespace

void PlatformTest::theBoxesLookTheSameWithQtsOwnButtonPictures()
{
    // Without a desktop theme the search ends with Qt's own pictures: taking them straight
    // must change no pixel of either box, nor the palette the style brings.
    QIcon::setThemeName(QStringLiteral("hicolor")); // what a bare X or Wayland session names
    const QPalette palette = QApplication::palette();
    const QList<QImage> before = boxPictures();
    useQtBoxButtonPictures();
    QVERIFY(QApplication::style()->inherits("QProxyStyle"));
    QCOMPARE(QApplication::palette(), palette);
    const QList<QImage> after = boxPictures();
    QCOMPARE(after.size(), before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        QVERIFY2(!before[i].isNull(), qPrintable(QString::number(i)));
        QVERIFY2(after[i] == before[i], qPrintable(QStringLiteral("picture %1 differs").arg(i)));
    }
    // A desktop theme is searched as before.
    QIcon::setThemeName(QStringLiteral("Adwaita"));
    const QIcon themed = QApplication::style()->standardIcon(QStyle::SP_DialogOkButton);
    QCOMPARE(themed.name(), QIcon::fromTheme(QStringLiteral("dialog-ok")).name());
    QIcon::setThemeName(QString());
}

void PlatformTest::theRecordFolderIsFoundWithOrWithoutTheEnvironment_data()
{
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("passwd");
    QTest::addColumn<QString>("folder");
    QTest::newRow("XDG_DATA_HOME") << "/d/data" << "/h" << "/p" << "/d/data/tirlindo";
    QTest::newRow("HOME") << "" << "/h/ugo/" << "/p" << "/h/ugo/.local/share/tirlindo";
    QTest::newRow("a relative XDG_DATA_HOME is ignored") << "data" << "/h" << "/p" << "/h/.local/share/tirlindo";
    QTest::newRow("neither: the user's home") << "" << "" << "/p/ugo" << "/p/ugo/.local/share/tirlindo";
    QTest::newRow("a relative HOME is no home") << "" << "." << "/p/ugo" << "/p/ugo/.local/share/tirlindo";
    QTest::newRow("nothing at all: no folder, never the root") << "" << "" << "" << "";
}

void PlatformTest::theRecordFolderIsFoundWithOrWithoutTheEnvironment()
{
    QFETCH(QString, xdg);
    QFETCH(QString, home);
    QFETCH(QString, passwd);
    QFETCH(QString, folder);
    QCOMPARE(dataFolderFor(xdg, home, passwd), folder);
}

void PlatformTest::aRecordFolderThatCannotBeMadeSaysWhyInItalian()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("data")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(file.fileName()));
    QString message;
    try {
        DataDirectory().GetWindowsDirectory();
    } catch (const RuntimeError &error) {
        message = error.message();
    }
    qputenv("XDG_DATA_HOME", saved);
    QVERIFY2(message.contains(QStringLiteral("(una parte del percorso non \u00e8 una cartella)")), qPrintable(message));
}

void PlatformTest::fileFailuresSayTheirTrueReasonInItalian_data()
{
    QTest::addColumn<int>("errnum");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only disk") << EROFS << "il disco \u00e8 di sola lettura";
    QTest::newRow("no permission") << EACCES << "permesso negato";
    QTest::newRow("append-only or immutable file") << EPERM << "operazione non permessa";
    QTest::newRow("bind-mounted file") << EBUSY << "il file \u00e8 in uso dal sistema";
    QTest::newRow("full disk") << ENOSPC << "il disco \u00e8 pieno";
    QTest::newRow("missing") << ENOENT << "il file o la cartella non esiste";
    QTest::newRow("unknown") << 4242 << "errore di sistema 4242";
}

void PlatformTest::fileFailuresSayTheirTrueReasonInItalian()
{
    QFETCH(int, errnum);
    QFETCH(QString, reason);
    QCOMPARE(italianReason(errnum), reason);

    if (errnum != ENOENT)
        return;
    // And the file table says it of the file that failed.
    QTemporaryDir dir;
    FileTable files;
    const QString path = dir.filePath(QStringLiteral("nowhere/aquizrec9.txt"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, files.Open(path, FileTable::Mode::Append, 1));
    try {
        files.Open(path, FileTable::Mode::Append, 1);
    } catch (const RuntimeError &error) {
        QCOMPARE(error.message(), QStringLiteral("Impossibile aprire il file %1 (%2)").arg(path, reason));
    }
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
