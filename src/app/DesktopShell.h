#pragma once

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
// The settings window opens at once, unless the program was started at login; without a tray
// host it stays the way in, which is said once in
// the log.
class DesktopShell final {
public:
    enum class Start : bool { WithSettings, InTray };

    // The browser control must outlive the shell.
    DesktopShell(std::shared_ptr<MacController> controller, InputSettings& tracking,
                 BrowserControl& browserControl, Log& log, Start start);
    ~DesktopShell();
    DesktopShell(const DesktopShell&) = delete;
    DesktopShell& operator=(const DesktopShell&) = delete;

    // Shows the settings window and brings it to the front (at launch, on "設定…", and when a
    // second launch asks for it).
    void showSettings();

private:
    XdgAutostartEntry loginStart_;
    std::unique_ptr<ControllerAdapter> adapter_;
    std::unique_ptr<SettingsWindow> window_;
    std::unique_ptr<MenuBarPanel> panel_;
    std::unique_ptr<StatusTrayIcon> tray_;
    std::unique_ptr<ConsentPrompt> consentPrompt_;
};

} // namespace kavora
