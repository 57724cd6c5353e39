// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/QtHost.h"

#include "platform/agent/VoiceWorker.h"

#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QStandardPaths>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

QString QtDialogs::InputBox(const QString &prompt)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(kProgramTitle);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setObjectName(QStringLiteral("InputBox"));
    if (box.exec() != QDialog::Accepted)
        return QString();
    return box.textValue();
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

QString DataDirectory::GetWindowsDirectory()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return QString();
    const QString dir = base + QStringLiteral("/tirlindo");
    // A failure here shows up as an error when the record files are opened.
    QDir().mkpath(dir);
    return dir;
}

void ProcessEnd::End(int status)
{
    // The game ends at once: every file was closed by the routine that opened it, so
    // nothing is left to save, and the character's threads must not keep it alive. His
    // voice is stopped first: the sound stream is closed, not dropped in mid-phrase.
    VoiceWorker::shutDown(status);
    std::fflush(nullptr);
    ::_exit(status);
}
