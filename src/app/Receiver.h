// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/DesktopInput.h"
#include "controller/SettingsStore.h"
#include "core/Published.h"
#include "platform/InputSettings.h"
#include "platform/linux/desktop/DesktopLaunchServices.h"
#include "platform/linux/desktop/LinuxWorkspace.h"
#include "platform/linux/peer/BrowserAccess.h"
#include "platform/linux/peer/LinuxHostNames.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "platform/linux/settings/PlistLegacyPreferences.h"
#include "platform/linux/system/PulseAudioControl.h"
#include "platform/linux/system/QtHttpClient.h"
#include "platform/linux/system/QtScheduler.h"
#include "wire/PairingTokens.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kavora {

class CGEventInjector;
class DisplayRecovery;
class Log;
class MacController;
class MCReceiverMac;
class Pasteboard;
class X11ClientList;
struct ReceiverOptions;

// The receiver on the real desktop services: every backend, then the link, the injector and
// the controller built on them, in the order they depend on each other. Needs the Qt
// application object to exist.
class Receiver final {
public:
    Receiver(const ReceiverOptions& options, Log& log);
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    const std::shared_ptr<MacController>& controller() const { return controller_; }
    InputSettings& inputSettings() { return inputSettings_; }
    std::string displayName() const;
    std::uint16_t serverPort() const { return framework_.serverPort(); }
    // Control from a browser: the switch, and the address with a pairing code while it is on.
    BrowserAccess& browserAccess() { return browser_; }
    InputBackend inputBackend() const { return input_.backend(); }

    // The quit: advertising stops, a connected controller is disconnected and every button it
    // held is released, with the work this posts done before the event loop is gone.
    void shutDown();

private:
    Log& log_;
    QtScheduler scheduler_;
    JsonFileUserDefaults defaults_;
    // Reads are served from memory; a change made by another process (kavora defaults write,
    // kavora devices, an editor) is taken here, and the next read sees it. The trusted devices
    // are read again at once, so that a controller allowed or revoked from a shell is admitted or
    // disconnected without waiting for its next move. Without notifications the file is looked
    // at every second instead.
    void takeSettingsChanges();
    void followControllersWithInputSession();
    // The connections to an X display (input's, the window list's) are followed: when one
    // ends, input stops, the loss is logged, and they are opened again until the display is
    // back or is taken as gone for good, which ends the program with status 1 (DisplayRecovery).
    void followDisplay();
    RunningSources runningSources();
    std::unique_ptr<QSocketNotifier> settingsChanges_;
    QTimer settingsPoll_;
    PlistLegacyPreferences legacy_;
    SettingsStore settings_;
    InputSettings inputSettings_;
    // The event services and the accessibility services of the desktop's way of input.
    DesktopInput input_;
    // The X clipboard where input goes through X11, so that a paste pastes what was set there;
    // Qt's clipboard elsewhere.
    std::unique_ptr<Pasteboard> pasteboard_;
    PulseAudioControl audio_;
    // Of the workspace's sources, set before the workspace takes them.
    X11ClientList* clientList_ = nullptr;
    LinuxWorkspace workspace_;
    DesktopLaunchServices launcher_;
    QtHttpClient http_;
    PairingTokens pairingTokens_;
    BrowserAccess browser_;
    LinuxPeerFramework framework_;
    LinuxHostNames hostNames_;
    std::shared_ptr<MCReceiverMac> receiver_;
    std::shared_ptr<CGEventInjector> injector_;
    std::shared_ptr<MacController> controller_;
    std::vector<Subscription> subscriptions_;
    std::unique_ptr<DisplayRecovery> displayRecovery_;
    bool inputWasLost_ = false; // since the display was last connected
};

} // namespace kavora
