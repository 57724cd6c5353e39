// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "platform/Host.h"

#include <QPointer>
#include <QString>
#include <QWidget>

// The boxes' OK and cancel pictures (and the menu bar's overflow arrow) straight from Qt's
// own, when the desktop names no icon theme of its own. Looking them up in the bare fallback
// theme (which holds programs' icons, never these) finds nothing and ends with the same
// pictures, but reading that theme's index costs the first box about five milliseconds, and
// reading the pictures the usual way loads every image format plugin. A desktop with a theme
// keeps its pictures. Call once, after the application is made and before the first box.
void useQtBoxButtonPictures();

// The real boxes: modal, OK only, no icon, titled "Tirlindo".
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    QString InputBox(const QString &prompt) override;
    void MsgBox(const QString &text) override;

private:
    QPointer<QWidget> m_parent;
};

// What a one-line input box keeps of a pasted text: the text up to its first line break or
// NUL, as a single-line edit takes it.
QString firstLineOnly(const QString &text);

// The boxes' title.
inline const QString kProgramTitle = QStringLiteral("Tirlindo");
