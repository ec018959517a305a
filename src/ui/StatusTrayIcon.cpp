#include "ui/StatusTrayIcon.h"

#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/MenuBarPanel.h"

namespace kavora {
namespace {

QIcon statusIcon(bool connected)
{
    return QIcon(connected ? QStringLiteral(":/icons/hicolor/scalable/status/kavora-connected.svg")
                           : QStringLiteral(":/icons/hicolor/scalable/status/kavora-idle.svg"));
}

} // namespace

StatusTrayIcon::StatusTrayIcon(ControllerAdapter& adapter, MenuBarPanel& panel, QObject* parent)
    : QObject(parent)
    , adapter_(adapter)
    , panel_(panel)
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

bool StatusTrayIcon::hostAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
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
    panel_.popUp(icon_.geometry());
}

} // namespace kavora
