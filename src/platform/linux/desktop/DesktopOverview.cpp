// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopOverview.h"

#include "platform/linux/system/DesktopSessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QString>
#include <QStringList>

#include <utility>

namespace kavora {

namespace {

// A shell that has not answered by then is busy or hung; the overview would come too late.
constexpr int kCallTimeoutMs = 2000;

constexpr QLatin1String kGnomeShell("org.gnome.Shell");
constexpr QLatin1String kGnomeShellPath("/org/gnome/Shell");
constexpr QLatin1String kProperties("org.freedesktop.DBus.Properties");

enum class Desktop { Gnome, Plasma, Cinnamon, Other };

// XDG_CURRENT_DESKTOP is a colon-separated list, most specific first ("ubuntu:GNOME").
Desktop currentDesktop()
{
    const QStringList names
        = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    for (const QString& name : names) {
        const QString desktop = name.trimmed().toLower();
        if (desktop == u"gnome")
            return Desktop::Gnome;
        if (desktop == u"kde")
            return Desktop::Plasma;
        if (desktop == u"x-cinnamon" || desktop == u"cinnamon")
            return Desktop::Cinnamon;
    }
    return Desktop::Other;
}

bool succeeded(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

DesktopOverview::DesktopOverview(std::function<void()> keyFallback)
    : keyFallback_(std::move(keyFallback))
{
}

DesktopOverview::~DesktopOverview() = default;

void DesktopOverview::toggle()
{
    if (!sessionBusConfigured() || !QDBusConnection::sessionBus().isConnected()) {
        fallBackToKey();
        return;
    }
    switch (currentDesktop()) {
    case Desktop::Gnome:
        toggleGnomeOverview();
        break;
    case Desktop::Plasma:
        invokeKWinOverview();
        break;
    case Desktop::Cinnamon:
        showCinnamonExpo();
        break;
    case Desktop::Other:
        fallBackToKey();
        break;
    }
}

// GNOME Shell 3.x to 4x: the OverviewActive property is writable by anyone. It is read first
// because the shell may be showing the overview already (it does right after log-in).
void DesktopOverview::toggleGnomeOverview()
{
    QDBusMessage get
        = QDBusMessage::createMethodCall(kGnomeShell, kGnomeShellPath, kProperties, "Get");
    get << kGnomeShell << QStringLiteral("OverviewActive");
    callAsync(get, [this](const QDBusMessage& reply) {
        if (!succeeded(reply) || reply.arguments().isEmpty()) {
            evalGnomeOverviewToggle();
            return;
        }
        const bool active
            = qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
        QDBusMessage set
            = QDBusMessage::createMethodCall(kGnomeShell, kGnomeShellPath, kProperties, "Set");
        set << kGnomeShell << QStringLiteral("OverviewActive")
            << QVariant::fromValue(QDBusVariant(!active));
        callAsync(set, [this](const QDBusMessage& setReply) {
            if (!succeeded(setReply))
                evalGnomeOverviewToggle();
        });
    });
}

// Shells without the writable property still evaluate script when unsafe mode allows it; newer
// shells answer (false, "") and the key is left.
void DesktopOverview::evalGnomeOverviewToggle()
{
    QDBusMessage eval
        = QDBusMessage::createMethodCall(kGnomeShell, kGnomeShellPath, kGnomeShell, "Eval");
    eval << QStringLiteral("Main.overview.toggle();");
    callAsync(eval, [this](const QDBusMessage& reply) {
        const bool evaluated = succeeded(reply) && !reply.arguments().isEmpty()
            && reply.arguments().constFirst().toBool();
        if (!evaluated)
            fallBackToKey();
    });
}

// KWin registers its overview effect's action as "Overview" (Plasma 5.25 and later); older
// releases have only Present Windows ("Expose" for the current desktop, "ExposeAll").
void DesktopOverview::invokeKWinOverview()
{
    const QString service = QStringLiteral("org.kde.kglobalaccel");
    const QString path = QStringLiteral("/component/kwin");
    const QString component = QStringLiteral("org.kde.kglobalaccel.Component");
    QDBusMessage names = QDBusMessage::createMethodCall(service, path, component, "shortcutNames");
    callAsync(names, [this, service, path, component](const QDBusMessage& reply) {
        const QStringList available
            = succeeded(reply) ? reply.arguments().value(0).toStringList() : QStringList();
        for (const char* shortcut : { "Overview", "Expose", "ExposeAll" }) {
            if (!available.contains(QLatin1String(shortcut)))
                continue;
            QDBusMessage invoke
                = QDBusMessage::createMethodCall(service, path, component, "invokeShortcut");
            invoke << QString::fromLatin1(shortcut);
            callAsync(invoke, [this](const QDBusMessage& invokeReply) {
                if (!succeeded(invokeReply))
                    fallBackToKey();
            });
            return;
        }
        fallBackToKey();
    });
}

void DesktopOverview::showCinnamonExpo()
{
    const QString cinnamon = QStringLiteral("org.Cinnamon");
    QDBusMessage expo = QDBusMessage::createMethodCall(cinnamon, QStringLiteral("/org/Cinnamon"),
                                                       cinnamon, "ShowExpo");
    callAsync(expo, [this](const QDBusMessage& reply) {
        if (!succeeded(reply))
            fallBackToKey();
    });
}

void DesktopOverview::fallBackToKey()
{
    if (keyFallback_)
        keyFallback_();
}

void DesktopOverview::callAsync(const QDBusMessage& call, ReplyHandler handler)
{
    const QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(pending, &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [handler = std::move(handler)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         handler(finished->reply());
                     });
}

} // namespace kavora
