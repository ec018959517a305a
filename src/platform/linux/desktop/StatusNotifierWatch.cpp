// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/StatusNotifierWatch.h"

#include "platform/linux/system/DesktopSessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace kavora {
namespace {

const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");
const QString kInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
constexpr int kCallTimeoutMs = 5000;

} // namespace

StatusNotifierWatch::StatusNotifierWatch(QObject* parent)
    : QObject(parent)
{
    if (!sessionBusConfigured()) {
        // No bus, no tray host; said once the event loop runs, like an answer.
        QMetaObject::invokeMethod(
            this, [this] { take(false, questions_); }, Qt::QueuedConnection);
        return;
    }
    auto bus = QDBusConnection::sessionBus();
    watcher_.setConnection(bus);
    watcher_.addWatchedService(kService);
    watcher_.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, &StatusNotifierWatch::ask);
    for (const char* signal : { "StatusNotifierHostRegistered", "StatusNotifierHostUnregistered" })
        bus.connect(kService, kPath, kInterface, QString::fromLatin1(signal), this, SLOT(ask()));
    ask();
}

void StatusNotifierWatch::ask()
{
    auto question = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << kInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    const quint64 number = ++questions_;
    auto* pending = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(question, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, number](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QDBusVariant> reply = *call;
                // No watcher on the bus is no host.
                take(!reply.isError() && reply.value().variant().toBool(), number);
                call->deleteLater();
            });
}

void StatusNotifierWatch::take(bool hostPresent, quint64 question)
{
    // An answer overtaken by a later question says nothing about now.
    if (question != questions_)
        return;
    const bool changedNow = !known_ || hostPresent != hostPresent_;
    known_ = true;
    hostPresent_ = hostPresent;
    if (changedNow)
        Q_EMIT changed();
}

} // namespace kavora
