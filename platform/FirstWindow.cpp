// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/FirstWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace {

class FirstExposure : public QObject
{
public:
    FirstExposure(std::function<void()> then, QObject *parent)
        : QObject(parent)
        , m_then(std::move(then))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && watched->isWindowType()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Queued: the window draws itself on this very event first.
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_then;
};

} // namespace

void afterFirstWindowDrawn(std::function<void()> then)
{
    QCoreApplication *app = QCoreApplication::instance();
    app->installEventFilter(new FirstExposure(std::move(then), app));
}
