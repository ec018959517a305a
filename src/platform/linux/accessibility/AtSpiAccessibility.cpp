// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/accessibility/AtSpiAccessibility.h"

#include "platform/linux/accessibility/AtSpiMenuBarSearch.h"
#include "platform/linux/system/DesktopSessionBus.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include <unistd.h>

namespace kavora {

namespace {

// Looking up the bus address may start the bus launcher; it answers within milliseconds.
constexpr int kBusLookupTimeoutMs = 1000;

// The accessibility bus's address where the desktop gives it without a question: the variable,
// else (on X11) the root window's property that the bus launcher sets.
std::optional<QString> givenBusAddress()
{
    const char* address = std::getenv("AT_SPI_BUS_ADDRESS");
    if (address && *address)
        return QString::fromLocal8Bit(address);
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland)
        return std::nullopt;
    if (auto property = XDisplayProbe::rootText("AT_SPI_BUS"))
        return QString::fromStdString(*property);
    return std::nullopt;
}

} // namespace

AtSpiAccessibility::AtSpiAccessibility()
{
    static std::atomic<int> made { 0 };
    connectionName_ = QStringLiteral("kavora-accessibility-%1").arg(++made);
}

AtSpiAccessibility::~AtSpiAccessibility()
{
    if (bus_)
        QDBusConnection::disconnectFromBus(connectionName_);
}

bool AtSpiAccessibility::isTrusted()
{
    return display_.offersXTest();
}

bool AtSpiAccessibility::requestTrust()
{
    return isTrusted();
}

void AtSpiAccessibility::frontmostMenuBar(
    AccessibilityElement::Answer<std::shared_ptr<AccessibilityElement>> answer)
{
    const std::optional<std::uint32_t> pid = XDisplayProbe::activeWindowProcessId();
    // This very process's windows hold no menus to zoom with.
    if (pid && *pid == static_cast<std::uint32_t>(getpid())) {
        QTimer::singleShot(0, [answer = std::move(answer)] { answer(nullptr); });
        return;
    }
    withBus([pid, answer = std::move(answer)](std::optional<QDBusConnection> bus) {
        if (!bus)
            answer(nullptr);
        else
            AtSpiMenuBarSearch::start(*bus, pid, answer);
    });
}

void AtSpiAccessibility::withBus(std::function<void(std::optional<QDBusConnection>)> then)
{
    if (bus_ && bus_->isConnected()) {
        QTimer::singleShot(0, &context_, [this, then = std::move(then)] { then(bus_); });
        return;
    }
    if (auto address = givenBusAddress()) {
        QTimer::singleShot(0, &context_, [this, address = *address, then = std::move(then)] {
            then(connect(address));
        });
        return;
    }
    // Asked the way the toolkits ask, but within a deadline; without a session bus there is none
    // (a connection attempt would autolaunch one).
    if (!sessionBusConfigured() || !QCoreApplication::instance()
        || !QDBusConnection::sessionBus().isConnected()) {
        QTimer::singleShot(0, &context_, [then = std::move(then)] { then(std::nullopt); });
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(
            QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                           "GetAddress"),
            kBusLookupTimeoutMs),
        &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this, watcher, then = std::move(then)] {
                         watcher->deleteLater();
                         const QDBusMessage reply = watcher->reply();
                         const auto address = reply.arguments().isEmpty()
                             ? QString()
                             : reply.arguments().constFirst().toString();
                         then(address.isEmpty() ? std::nullopt : connect(address));
                     });
}

std::optional<QDBusConnection> AtSpiAccessibility::connect(const QString& address)
{
    if (bus_ && bus_->isConnected())
        return bus_;
    if (bus_)
        QDBusConnection::disconnectFromBus(connectionName_); // broken: made anew
    bus_ = QDBusConnection::connectToBus(address, connectionName_);
    if (!bus_->isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName_);
        bus_.reset();
    }
    return bus_;
}

} // namespace kavora
