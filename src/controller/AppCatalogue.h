// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Published.h"
#include "core/Scheduler.h"
#include "protocol/Records.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

class LaunchServices;
class Workspace;

// The most applications the user can register.
inline constexpr std::size_t kMaxRegisteredApps = 10;
// How long the registered list waits for quiet before it is pushed to the controller device.
inline constexpr Seconds kRegisteredAppsPushDelay { 0.4 };

// An entry of the settings window's application picker.
struct InstalledApp {
    std::string bundleId;
    std::string name;

    bool operator==(const InstalledApp&) const = default;
};

// The application lists the device is sent (running and registered applications, with icons),
// the launching of an application it asks for, the edits of the registered list, and the
// debounced push of that list when it changes or one of its applications starts or quits.
// Owns registeredBundleIds: its edits are the only writers, and whoever stores the list
// subscribes to the view. Main thread only; owned by a std::shared_ptr so that timers and
// observers hold it weakly.
class AppCatalogue final : public std::enable_shared_from_this<AppCatalogue> {
    struct Passkey { };

public:
    struct Services {
        Scheduler& scheduler;
        Workspace& workspace;
        LaunchServices& launcher;
    };
    // How the catalogue reaches the session: asked when a push falls due, not before.
    struct Hooks {
        std::function<bool()> isConnected;
        std::function<void(std::vector<AppInfo>)> sendRegisteredAppList;
    };

    // The application that heads the picker whenever the desktop can locate it.
    static InstalledApp defaultPinnedApp() { return { "com.apple.finder", "Finder" }; }

    static std::shared_ptr<AppCatalogue> create(const Services& services, Hooks hooks,
                                                std::optional<InstalledApp> pinnedApp
                                                = defaultPinnedApp());
    AppCatalogue(Passkey, const Services& services, Hooks hooks,
                 std::optional<InstalledApp> pinnedApp);
    AppCatalogue(const AppCatalogue&) = delete;
    AppCatalogue& operator=(const AppCatalogue&) = delete;
    ~AppCatalogue();

    // The registered applications' ids, in the user's order.
    const Published<std::vector<std::string>>& registeredBundleIds() const
    {
        return registeredBundleIds_;
    }
    // Start-up: takes the stored list as it is (no limit applied, no push scheduled).
    void restoreRegisteredBundleIds(std::vector<std::string> bundleIds);

    // The regular running applications in the desktop's order, each with isRunning false.
    std::vector<AppInfo> runningAppList();
    // The registered applications that can be located, in the user's order.
    std::vector<AppInfo> registeredAppInfos();
    // Launches the application, or brings it to the front when it runs.
    void openApp(const std::string& bundleId);
    // The picker's candidates: the pinned application, then every installed one once (the first
    // folder wins), sorted by name ignoring case; equal names keep their order.
    std::vector<InstalledApp> installedApps();

    void addRegisteredApp(const std::string& bundleId);
    void removeRegisteredApp(const std::string& bundleId);
    // Moves `from` to the index `to` has; the entries between shift toward from's old place.
    void moveRegisteredApp(const std::string& from, const std::string& to);
    // (Re)starts the quiet period after which the registered list is pushed, if connected then.
    void scheduleRegisteredAppsPush();

    // Starts following launches and terminations of registered applications; the last step of
    // the controller's start-up. The observers end with the catalogue.
    void observeWorkspace();

private:
    std::optional<Bytes> appIcon(const std::string& id, const std::string& location);
    void registeredAppStartedOrQuit(const std::string& bundleId);
    void pushRegisteredApps();

    Scheduler& scheduler_;
    Workspace& workspace_;
    LaunchServices& launcher_;
    Published<std::vector<std::string>> registeredBundleIds_;
    Hooks hooks_;
    std::optional<InstalledApp> pinnedApp_;
    // Registered applications' icons by id: taken once, kept for the life of the process.
    std::map<std::string, Bytes> iconCache_;
    std::optional<TimerHandle> pushDebounceTimer_;
    std::vector<Subscription> workspaceObservers_; // launch, terminate
};

} // namespace kavora
