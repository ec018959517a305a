// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/desktop/DesktopNotification.h"
#include "platform/linux/desktop/StatusNotifierWatch.h"
#include "platform/linux/settings/XdgAutostartEntry.h"

#include <memory>

namespace kavora {

class BrowserControl;
class ConsentPrompt;
class ControllerAdapter;
class Log;
class MacController;
class MenuBarPanel;
class SettingsWindow;
class StatusTrayIcon;
class InputSettings;

// The desktop program's face around the one controller: the adapter the views share, the
// settings window, the panel, the status icon and the prompt that asks about unknown controllers.
// The settings window opens at once, unless the program was started at login. The tray is
// followed while the program runs: the status icon appears once a tray host does, and without a
// tray the settings window is the face. Whatever happens, a running program stays in sight while
// its window is hidden: by the status icon, by a notification while Kavora is on, or by the
// window again; closing the window of a program that is off and has no tray ends it
// (hiddenFace). Should the desktop have no notifications, the window is minimised instead of
// hidden.
class DesktopShell final {
public:
    enum class Start : bool { WithSettings, InTray };

    // The browser control must outlive the shell.
    DesktopShell(std::shared_ptr<MacController> controller, InputSettings& tracking,
                 BrowserControl& browserControl, Log& log, Start start);
    ~DesktopShell();
    DesktopShell(const DesktopShell&) = delete;
    DesktopShell& operator=(const DesktopShell&) = delete;

    // Shows the settings window and brings it to the front (at launch, on "設定…", from the
    // notification, and when a second launch asks for it).
    void showSettings();

private:
    bool trayShown() const;
    void followTray();
    void keepInSight(bool userClosedWindow);
    void showNotice(bool quiet);
    static void quit();

    Log& log_;
    // Clients of a Wayland compositor learn the pointer's place only over their own windows.
    const bool waylandSession_;
    XdgAutostartEntry loginStart_;
    std::unique_ptr<ControllerAdapter> adapter_;
    std::unique_ptr<SettingsWindow> window_;
    std::unique_ptr<MenuBarPanel> panel_;
    std::unique_ptr<StatusTrayIcon> tray_;
    std::unique_ptr<ConsentPrompt> consentPrompt_;
    StatusNotifierWatch trayWatch_;
    DesktopNotification notice_;
    bool trayWasShown_ = false;
};

} // namespace kavora
