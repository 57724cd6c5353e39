// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include <QAccessible>
#include <QObject>

// Three things Qt 6.4's AT-SPI bridge leaves out or gets wrong, mended on its own
// accessibility bus connection:
// - the objects' locale ("Locale" property): unanswered, so a screen reader on an English
//   desktop reads the Italian captions with an English voice;
// - the line of an empty text box: Qt answers offsets -1, -1 where AT-SPI means 0, 0, and
//   Orca then leaves the focused box's surroundings off the braille line;
// - the "visible" state change of a control shown after start: only "showing" is sent, and
//   a screen reader that read the control while hidden keeps it invisible (Orca's flat
//   review then skips it).
class ScreenReaderBridge : public QObject, public QAccessible::ActivationObserver
{
    Q_OBJECT
public:
    explicit ScreenReaderBridge(QObject *parent = nullptr);
    ~ScreenReaderBridge() override;

    // The locale answered for every object: the program's default locale, as "it_IT".
    static QString localeName();
    // Whether a request to an accessible object asks for its locale.
    static bool answersLocaleRequest(const QString &interface, const QString &member,
                                     const QVariantList &arguments);
    // Whether a request asks for a piece of the text of an object that has no text at all
    // (the object named by its path on the accessibility bus).
    static bool asksEmptyTextLine(const QString &path, const QString &interface, const QString &member);

    void accessibilityActiveChanged(bool active) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void wrapBridge();
    int m_attempts = 0;
    bool m_wrapped = false;
};
