// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "platform/ScreenReaderBridge.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QEvent>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// Qt names its connection to the accessibility bus "a11y" and serves every accessible
// object below this path.
const QString kConnection = QStringLiteral("a11y");
const QString kObjects = QStringLiteral("/org/a11y/atspi/accessible");

// Stands in front of Qt's own handler of the accessible objects: answers the locale and
// the line of an empty text, and hands every other request on unchanged.
class LocaleAnswering : public QDBusVirtualObject
{
public:
    LocaleAnswering(QDBusVirtualObject *bridge, QObject *parent)
        : QDBusVirtualObject(parent)
        , m_bridge(bridge)
    {
    }

    QString introspect(const QString &path) const override
    {
        return m_bridge ? m_bridge->introspect(path) : QString();
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (ScreenReaderBridge::answersLocaleRequest(message.interface(), message.member(),
                                                     message.arguments())) {
            const QVariant locale = message.member() == QLatin1String("Get")
                ? QVariant::fromValue(QDBusVariant(ScreenReaderBridge::localeName()))
                : QVariant(ScreenReaderBridge::localeName());
            return connection.send(message.createReply(locale));
        }
        if (ScreenReaderBridge::asksEmptyTextLine(message.path(), message.interface(), message.member()))
            return connection.send(message.createReply(QVariantList{QString(), 0, 0}));
        return m_bridge && m_bridge->handleMessage(message, connection);
    }

private:
    QPointer<QDBusVirtualObject> m_bridge;
};

void sendVisible(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    if (!face)
        return;
    const QString path = kObjects + u'/' + QString::number(QAccessible::uniqueId(face));
    QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.a11y.atspi.Event.Object"),
                                                     QStringLiteral("StateChanged"));
    signal.setArguments({QStringLiteral("visible"), 1, 0,
                         QVariant::fromValue(QDBusVariant(0)), QVariantMap()});
    QDBusConnection(kConnection).send(signal);
}

} // namespace

ScreenReaderBridge::ScreenReaderBridge(QObject *parent)
    : QObject(parent)
{
    QAccessible::installActivationObserver(this);
    qApp->installEventFilter(this);
    if (QAccessible::isActive())
        accessibilityActiveChanged(true);
}

ScreenReaderBridge::~ScreenReaderBridge()
{
    QAccessible::removeActivationObserver(this);
}

QString ScreenReaderBridge::localeName()
{
    return QLocale().name();
}

bool ScreenReaderBridge::answersLocaleRequest(const QString &interface, const QString &member,
                                              const QVariantList &arguments)
{
    // libatspi reads the property; older clients call the method.
    if (interface == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get"))
        return arguments.size() == 2 && arguments.at(0).toString() == QLatin1String("org.a11y.atspi.Accessible")
            && arguments.at(1).toString() == QLatin1String("Locale");
    return interface == QLatin1String("org.a11y.atspi.Accessible") && member == QLatin1String("GetLocale");
}

bool ScreenReaderBridge::asksEmptyTextLine(const QString &path, const QString &interface,
                                           const QString &member)
{
    if (interface != QLatin1String("org.a11y.atspi.Text") || member != QLatin1String("GetTextAtOffset")
        || !path.startsWith(kObjects + u'/'))
        return false;
    bool isId = false;
    const auto id = QAccessible::Id(path.mid(kObjects.size() + 1).toUInt(&isId));
    QAccessibleInterface *face = isId ? QAccessible::accessibleInterface(id) : nullptr;
    return face && face->textInterface() && face->textInterface()->characterCount() == 0;
}

void ScreenReaderBridge::accessibilityActiveChanged(bool active)
{
    // Qt registers its handler just after it reports itself active.
    if (active && !m_wrapped)
        QTimer::singleShot(0, this, [this] { wrapBridge(); });
}

void ScreenReaderBridge::wrapBridge()
{
    if (m_wrapped)
        return;
    QDBusConnection bus(kConnection);
    auto *bridge = qobject_cast<QDBusVirtualObject *>(bus.objectRegisteredAt(kObjects));
    if (!bus.isConnected() || !bridge) {
        // Not registered yet: look again for a few seconds, never waiting.
        if (++m_attempts < 50)
            QTimer::singleShot(100, this, [this] { wrapBridge(); });
        return;
    }
    bus.unregisterObject(kObjects);
    m_wrapped = bus.registerVirtualObject(kObjects, new LocaleAnswering(bridge, this), QDBusConnection::SubPath);
    if (!m_wrapped) // give the bridge its place back
        bus.registerVirtualObject(kObjects, bridge, QDBusConnection::SubPath);
}

bool ScreenReaderBridge::eventFilter(QObject *watched, QEvent *event)
{
    // Only the change to visible: on hiding, Qt's own "showing" change already takes the
    // control out of what a screen reader presents.
    if (event->type() == QEvent::Show && watched->isWidgetType() && QAccessible::isActive()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (!widget->isWindow())
            sendVisible(widget);
    }
    return QObject::eventFilter(watched, event);
}
