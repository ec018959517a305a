// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/StatusTrayIcon.h"

#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/MenuBarPanel.h"

#include <QCursor>

namespace kavora {
namespace {

QIcon statusIcon(bool connected)
{
    return QIcon(connected ? QStringLiteral(":/icons/hicolor/scalable/status/kavora-connected.svg")
                           : QStringLiteral(":/icons/hicolor/scalable/status/kavora-idle.svg"));
}

} // namespace

StatusTrayIcon::StatusTrayIcon(ControllerAdapter& adapter, MenuBarPanel& panel, bool pointerKnown,
                               QObject* parent)
    : QObject(parent)
    , adapter_(adapter)
    , panel_(panel)
    , pointerKnown_(pointerKnown)
{
    menu_.addAction(QString::fromUtf8(i18n("Settings…")), this, &StatusTrayIcon::settingsRequested);
    menu_.addAction(QString::fromUtf8(i18n("Quit")), this, &StatusTrayIcon::quitRequested);
    // Some hosts hide an item without a menu; the menu is also the way in where a click only
    // opens it.
    icon_.setContextMenu(&menu_);
    icon_.setToolTip(QStringLiteral("Kavora"));
    connect(&icon_, &QSystemTrayIcon::activated, this, &StatusTrayIcon::activated);
    connect(&adapter_, &ControllerAdapter::isConnectedChanged, this,
            &StatusTrayIcon::showConnection);
    showConnection();
    icon_.show();
}

void StatusTrayIcon::showConnection()
{
    icon_.setIcon(statusIcon(adapter_.isConnected()));
}

void StatusTrayIcon::activated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    if (panel_.isVisible() || panel_.closedJustNow()) {
        panel_.hide();
        return;
    }
    // Status-notifier hosts keep their icon's place to themselves.
    std::optional<QRect> anchor;
    if (icon_.geometry().isValid())
        anchor = icon_.geometry();
    else if (pointerKnown_)
        anchor = QRect(QCursor::pos(), QSize(1, 1));
    panel_.popUp(anchor);
}

} // namespace kavora
