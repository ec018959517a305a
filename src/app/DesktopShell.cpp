// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/DesktopShell.h"

#include "core/Log.h"
#include "presentation/ShellFace.h"
#include "ui/ConsentPrompt.h"
#include "ui/ControllerAdapter.h"
#include "ui/MenuBarPanel.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusTrayIcon.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

#include <cstdlib>
#include <string_view>

namespace kavora {
namespace {

bool inWaylandSession()
{
    const char* type = std::getenv("XDG_SESSION_TYPE");
    if (type)
        return std::string_view(type) == "wayland";
    return std::getenv("WAYLAND_DISPLAY") != nullptr;
}

} // namespace

DesktopShell::DesktopShell(std::shared_ptr<MacController> controller, InputSettings& tracking,
                           BrowserControl& browserControl, Log& log, Start start)
    : log_(log)
    , waylandSession_(inWaylandSession())
    , loginStart_(XdgAutostartEntry::userFile(),
                  QCoreApplication::applicationFilePath().toStdString())
    , adapter_(std::make_unique<ControllerAdapter>(std::move(controller), tracking))
    , window_(std::make_unique<SettingsWindow>(*adapter_, &loginStart_, &browserControl))
    , panel_(std::make_unique<MenuBarPanel>(*adapter_))
{
    QObject::connect(panel_.get(), &MenuBarPanel::settingsRequested, window_.get(),
                     [this] { showSettings(); });
    QObject::connect(panel_.get(), &MenuBarPanel::quitRequested, window_.get(), &quit);
    QObject::connect(window_.get(), &SettingsWindow::quitRequested, window_.get(), &quit);
    QObject::connect(window_.get(), &SettingsWindow::closedByUser, window_.get(),
                     [this] { keepInSight(true); });
    QObject::connect(adapter_.get(), &ControllerAdapter::isAdvertisingChanged, window_.get(),
                     [this] {
                         if (!window_->isVisible())
                             keepInSight(false);
                     });
    QObject::connect(&trayWatch_, &StatusNotifierWatch::changed, window_.get(),
                     [this] { followTray(); });
    QObject::connect(&notice_, &DesktopNotification::actionInvoked, window_.get(),
                     [this](const QString& key) {
                         if (key == QLatin1String("quit"))
                             quit();
                         else
                             showSettings();
                     });
    QObject::connect(&notice_, &DesktopNotification::dismissed, window_.get(), [this] {
        // Still running out of sight: back in the desktop's list, without a banner this time.
        if (!window_->isVisible() && !trayShown() && adapter_->isAdvertising())
            showNotice(true);
    });
    QObject::connect(&notice_, &DesktopNotification::failed, window_.get(), [this] {
        log_.line("kavora: the desktop shows no notifications; the settings window stays in the "
                  "window list instead");
        window_->showMinimized();
    });
    if (start == Start::WithSettings)
        showSettings();
    else
        log.line("kavora: started at login, switched on");
    consentPrompt_ = std::make_unique<ConsentPrompt>(*adapter_);
}

DesktopShell::~DesktopShell() = default;

void DesktopShell::showSettings()
{
    notice_.withdraw();
    window_->showWindow();
}

void DesktopShell::quit()
{
    QCoreApplication::quit();
}

bool DesktopShell::trayShown() const
{
    if (trayWatch_.hostPresent())
        return true;
    // Asking Qt settles its own choice between a status-notifier item and an X11 tray for the
    // life of the process: in a Wayland session, where only the first exists, wait for a host.
    return !waylandSession_ && QSystemTrayIcon::isSystemTrayAvailable();
}

void DesktopShell::followTray()
{
    const bool shown = trayShown();
    if (shown && !tray_) {
        tray_ = std::make_unique<StatusTrayIcon>(*adapter_, *panel_, !waylandSession_);
        QObject::connect(tray_.get(), &StatusTrayIcon::settingsRequested, window_.get(),
                         [this] { showSettings(); });
        QObject::connect(tray_.get(), &StatusTrayIcon::quitRequested, window_.get(), &quit);
    }
    if (!shown && (trayWasShown_ || !tray_))
        log_.line("kavora: no tray shows the status icon; the settings window is the way in (on "
                  "GNOME, the AppIndicator extension adds a tray)");
    trayWasShown_ = shown;
    window_->offerQuit(!shown);
    if (!window_->isVisible())
        keepInSight(false);
}

void DesktopShell::keepInSight(bool userClosedWindow)
{
    // Before the tray's first answer nothing is known to act on, unless the user acts.
    if (!trayWatch_.known() && !userClosedWindow)
        return;
    switch (hiddenFace(trayShown(), adapter_->isAdvertising(), userClosedWindow)) {
    case HiddenFace::StatusIcon:
        notice_.withdraw();
        break;
    case HiddenFace::Notice:
        if (!notice_.wanted())
            showNotice(false);
        break;
    case HiddenFace::Window:
        showSettings();
        break;
    case HiddenFace::Quit:
        quit();
        break;
    }
}

void DesktopShell::showNotice(bool quiet)
{
    notice_.show(
        { QString::fromStdString(backgroundNoticeTitle()),
          QString::fromStdString(backgroundNoticeBody()),
          { QStringLiteral("default"), QString::fromStdString(backgroundNoticeOpenAction()),
            QStringLiteral("open"), QString::fromStdString(backgroundNoticeOpenAction()),
            QStringLiteral("quit"), QString::fromStdString(backgroundNoticeQuitAction()) },
          quiet });
}

} // namespace kavora
