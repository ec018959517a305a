// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "controller/AppCatalogue.h"
#include "controller/SettingsStore.h"
#include "core/Published.h"
#include "core/Scheduler.h"
#include "link/PeerConsent.h"
#include "link/TrustedDevices.h"
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
// offers the user interface read-only views of the state it shows, and operations to change it.
// Main thread only; owned by a std::shared_ptr so that timers and callbacks hold it weakly.
//
// Each view has one writer: the connection, the peer's name and the advertising switch are the
// receiver's; the registered applications are the catalogue's, the favourite sites the site
// list's; the rest are the controller's own.
class MacController final : public std::enable_shared_from_this<MacController> {
    struct Passkey { };

public:
    using Ids = std::vector<std::string>;

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

    const Published<bool>& isConnected() const;
    const Published<bool>& isAdvertising() const;
    const Published<bool>& accessibilityGranted() const { return accessibilityGranted_; }
    // What the permission block says besides the missing permission; empty for nothing more.
    const Published<std::string>& accessibilityHint() const { return accessibilityHint_; }
    const Published<std::optional<std::string>>& connectedPeerName() const;
    // Messages that took the input path since start, and the label of the last one.
    const Published<std::int64_t>& debugReceivedCount() const { return debugReceivedCount_; }
    const Published<std::string>& debugLastEvent() const { return debugLastEvent_; }
    const Published<Ids>& registeredBundleIds() const;
    const Published<Ids>& systemButtonIDs() const { return systemButtonIDs_; }
    const Published<std::vector<FavoriteSite>>& favoriteSites() const;
    // The controllers allowed without a question, and the unknown one waiting for the user.
    const Published<std::vector<TrustedDevice>>& trustedDevices() const;
    const Published<std::optional<PeerID>>& consentRequest() const;

    // The advertising switch of the user interface.
    void setAdvertising(bool on);
    void requestAccessibilityPermission();
    // Each time the application becomes active.
    void recheckAccessibility();
    // The user's answer to the controller waiting for one; allowing trusts it.
    void answerConsentRequest(ConsentAnswer answer);
    // Forgets a trusted controller; its session, if it has one, ends at once.
    void revokeTrustedDevice(const std::string& fingerprint);
    // Names a trusted controller as the user wants it listed.
    void renameTrustedDevice(const std::string& fingerprint, const std::string& name);
    // Deselects a selected preset, or selects one while fewer than three are.
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

private:
    void start();
    void subscribeToReceiver();
    void subscribeChangeHandlers();
    void readAccessibility();
    void startAccessibilityPolling();
    void stopAccessibilityPolling();
    void handleMessage(const ControlMessage& message);
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
    std::shared_ptr<AppCatalogue> catalogue_;
    std::shared_ptr<FavoriteSites> favoriteSites_;
    Published<bool> accessibilityGranted_ { false };
    Published<std::string> accessibilityHint_;
    Published<std::int64_t> debugReceivedCount_ { 0 };
    Published<std::string> debugLastEvent_ { std::string("—") };
    Published<Ids> systemButtonIDs_;
    std::vector<Subscription> cancellables_;
    std::optional<TimerHandle> accessibilityPollTimer_;
};

// A short label for every message case, for the debug fields.
std::string_view debugLabel(const ControlMessage& message);

} // namespace kavora
