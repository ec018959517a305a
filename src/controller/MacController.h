#pragma once

#include "controller/AppCatalogue.h"
#include "controller/SettingsStore.h"
#include "controller/UserLists.h"
#include "core/Published.h"
#include "core/Scheduler.h"
#include "protocol/ControlMessage.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class Accessibility;
class CGEventInjector;
class FavoriteSites;
class HttpClient;
class LaunchServices;
class Log;
class MCReceiverMac;
class UserDefaults;
class Workspace;

// Ties the receiver together: every message the link decodes comes here and is either input
// (forwarded to the injector while this process may inject), an action performed here, or a
// request answered with a catalogue reply. Keeps, stores and pushes the user's three lists and
// publishes the state the user interface shows. Main thread only; owned by a std::shared_ptr so
// that timers and callbacks hold it weakly.
class MacController final : public std::enable_shared_from_this<MacController> {
    struct Passkey { };

public:
    struct Services {
        Scheduler& scheduler;
        Accessibility& accessibility;
        LaunchServices& launcher;
        SettingsStore& settings;
        // Read for the favicon service's address.
        const UserDefaults& defaults;
        Workspace& workspace;
        HttpClient& http;
        Log& log;
    };

    // Creates the controller and runs its start-up: wires the link, checks the accessibility
    // permission, migrates and loads the settings, then follows the registered applications.
    static std::shared_ptr<MacController> create(const Services& services,
                                                 std::shared_ptr<MCReceiverMac> receiver,
                                                 std::shared_ptr<CGEventInjector> injector);
    MacController(Passkey, const Services& services, std::shared_ptr<MCReceiverMac> receiver,
                  std::shared_ptr<CGEventInjector> injector);
    MacController(const MacController&) = delete;
    MacController& operator=(const MacController&) = delete;
    ~MacController();

    Published<bool> isConnected { false };
    Published<bool> isAdvertising { false };
    Published<bool> accessibilityGranted { false };
    Published<std::optional<std::string>> connectedPeerName;
    Published<std::int64_t> debugReceivedCount { 0 };
    Published<std::string> debugLastEvent { std::string("—") };
    UserLists lists; // registeredBundleIds, systemButtonIDs, favoriteSites

    MCReceiverMac& receiver() { return *receiver_; }

    void handleMessage(const ControlMessage& message);

    // The advertising switch of the user interface.
    void setAdvertising(bool on);
    void requestAccessibilityPermission();
    // Each time the application becomes active.
    void recheckAccessibility();
    void toggleSystemButton(const std::string& id);

    // The settings window's edits of the registered applications and the favourite sites. The
    // window goes through the controller, so that the catalogue's own machinery (its workspace
    // observers and debounced push) stays out of its reach.
    std::vector<InstalledApp> installedApps();
    void addRegisteredApp(const std::string& bundleId);
    void removeRegisteredApp(const std::string& bundleId);
    void moveRegisteredApp(const std::string& from, const std::string& to);
    void addFavoriteSite(const std::string& url, const std::string& name,
                         const std::optional<std::string>& browserBundleId);
    void removeFavoriteSite(const std::string& id);
    void renameFavoriteSite(const std::string& id, const std::string& name);
    void moveFavoriteSite(const std::string& from, const std::string& to);

    bool isPollingAccessibility() const { return accessibilityPollTimer_.has_value(); }

private:
    void start();
    void subscribeToReceiver();
    void subscribeChangeHandlers();
    void startAccessibilityPolling();
    void stopAccessibilityPolling();
    void takeInput(const ControlMessage& message);
    void createCatalogues(const Services& services);
    void pushAllLists();
    void sendFavoriteSites();

    Scheduler& scheduler_;
    Accessibility& accessibility_;
    SettingsStore& settings_;
    Log& log_;
    std::shared_ptr<MCReceiverMac> receiver_;
    std::shared_ptr<CGEventInjector> injector_;
    // Both work on `lists`, declared before them, and end before it.
    std::shared_ptr<AppCatalogue> catalogue_;
    std::shared_ptr<FavoriteSites> favoriteSites_;
    std::vector<Subscription> cancellables_;
    std::optional<TimerHandle> accessibilityPollTimer_;
};

// A short label for every message case, for the debug fields.
std::string_view debugLabel(const ControlMessage& message);

} // namespace kavora
