#include "app/DesktopShell.h"

#include "core/Log.h"
#include "ui/ConsentPrompt.h"
#include "ui/ControllerAdapter.h"
#include "ui/MenuBarPanel.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusTrayIcon.h"

#include <QCoreApplication>

namespace kavora {

DesktopShell::DesktopShell(std::shared_ptr<MacController> controller, InputSettings& tracking,
                           BrowserControl& browserControl, Log& log, Start start)
    : loginStart_(XdgAutostartEntry::userFile(),
                  QCoreApplication::applicationFilePath().toStdString())
    , adapter_(std::make_unique<ControllerAdapter>(std::move(controller), tracking))
    , window_(std::make_unique<SettingsWindow>(*adapter_, &loginStart_, &browserControl))
    , panel_(std::make_unique<MenuBarPanel>(*adapter_))
{
    QObject::connect(panel_.get(), &MenuBarPanel::settingsRequested, window_.get(),
                     [this] { showSettings(); });
    QObject::connect(panel_.get(), &MenuBarPanel::quitRequested, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    tray_ = std::make_unique<StatusTrayIcon>(*adapter_, *panel_);
    QObject::connect(tray_.get(), &StatusTrayIcon::settingsRequested, window_.get(),
                     [this] { showSettings(); });
    QObject::connect(tray_.get(), &StatusTrayIcon::quitRequested, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    if (!StatusTrayIcon::hostAvailable())
        log.line("kavora: no status icon host on this desktop; the settings window is the way "
                 "in (on GNOME, the AppIndicator extension adds one)");
    if (start == Start::WithSettings)
        showSettings();
    else
        log.line("kavora: started at login; the settings window opens from the status icon");
    consentPrompt_ = std::make_unique<ConsentPrompt>(*adapter_);
}

DesktopShell::~DesktopShell() = default;

void DesktopShell::showSettings()
{
    window_->showWindow();
}

} // namespace kavora
