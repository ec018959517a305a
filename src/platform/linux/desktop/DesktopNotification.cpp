// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopNotification.h"

#include "platform/linux/system/DesktopSessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace kavora {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kNotificationCallTimeoutMs = 5000;
constexpr int kWithdrawAtExitTimeoutMs = 1000;
// Why the server closed a notification: 2 is the user's dismissal.
constexpr uint kDismissedByUser = 2;

QDBusMessage serverCall(const char* method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, QString::fromLatin1(method));
}

} // namespace

DesktopNotification::DesktopNotification(QObject* parent)
    : QObject(parent)
{
    if (!sessionBusConfigured())
        return;
    auto bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(takeAction(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(takeClosed(uint, uint)));
}

DesktopNotification::~DesktopNotification()
{
    if (id_ == 0)
        return;
    auto call = serverCall("CloseNotification");
    call << id_;
    QDBusConnection::sessionBus().call(call, QDBus::Block, kWithdrawAtExitTimeoutMs);
}

void DesktopNotification::show(const Content& content)
{
    wanted_ = true;
    if (!sessionBusConfigured()) {
        QMetaObject::invokeMethod(this, &DesktopNotification::failed, Qt::QueuedConnection);
        return;
    }
    const QVariantMap hints {
        { QStringLiteral("resident"), true },
        { QStringLiteral("desktop-entry"), QStringLiteral(KAVORA_APP_ID) },
        { QStringLiteral("urgency"), QVariant::fromValue<uchar>(content.quiet ? 0 : 1) },
    };
    auto call = serverCall("Notify");
    call << QStringLiteral("Kavora") << id_ << QStringLiteral(KAVORA_APP_ID) << content.title
         << content.body << content.actions << hints << 0;
    const quint64 request = ++requests_;
    auto* pending = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, kNotificationCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                const QDBusPendingReply<uint> reply = *answer;
                if (reply.isError()) {
                    if (request == requests_ && wanted_)
                        Q_EMIT failed();
                    return;
                }
                const uint id = reply.value();
                // Withdrawn, or shown again, while the server was answering.
                if (!wanted_ || request != requests_) {
                    if (id != id_)
                        close(id);
                    return;
                }
                id_ = id;
            });
}

void DesktopNotification::withdraw()
{
    wanted_ = false;
    ++requests_;
    if (id_ != 0)
        close(id_);
    id_ = 0;
}

void DesktopNotification::close(uint id)
{
    auto call = serverCall("CloseNotification");
    call << id;
    QDBusConnection::sessionBus().asyncCall(call, kNotificationCallTimeoutMs);
}

void DesktopNotification::takeAction(uint id, const QString& key)
{
    if (id != 0 && id == id_)
        Q_EMIT actionInvoked(key);
}

void DesktopNotification::takeClosed(uint id, uint reason)
{
    if (id == 0 || id != id_)
        return;
    id_ = 0;
    if (reason == kDismissedByUser && wanted_)
        Q_EMIT dismissed();
}

} // namespace kavora
