// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "controller/AppCatalogue.h"
#include "core/Published.h"
#include "link/PeerConsent.h"
#include "link/TrustedDevices.h"
#include "platform/InputSettings.h"
#include "presentation/ConnectionStatus.h"
#include "protocol/Records.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

class MacController;

// The views' one way to the controller. Its values mirror the controller's published state and
// each change signal is emitted only when the value really changed, so that the views repaint
// only then; its slots are the controller's operations. The debug values are followed only
// while someone listens to debugValuesChanged, so that input costs the views nothing otherwise.
// GUI thread only; the controller must outlive it.
class ControllerAdapter final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isConnected READ isConnected NOTIFY isConnectedChanged)
    Q_PROPERTY(bool isAdvertising READ isAdvertising NOTIFY isAdvertisingChanged)
    // On one line: clazy 1.11 reads a Q_PROPERTY the formatter wraps as not matching its getter.
    // clang-format off
    Q_PROPERTY(bool accessibilityGranted READ accessibilityGranted NOTIFY accessibilityGrantedChanged)
    // clang-format on

public:
    ControllerAdapter(std::shared_ptr<MacController> controller, InputSettings& tracking,
                      QObject* parent = nullptr);
    ~ControllerAdapter() override;

    bool isConnected() const { return isConnected_; }
    bool isAdvertising() const { return isAdvertising_; }
    bool accessibilityGranted() const { return accessibilityGranted_; }
    const std::string& accessibilityHint() const { return accessibilityHint_; }
    const std::optional<std::string>& connectedPeerName() const { return connectedPeerName_; }
    ConnectionStatus connectionStatus() const;
    const std::vector<std::string>& registeredBundleIds() const { return registeredBundleIds_; }
    const std::vector<std::string>& systemButtonIDs() const { return systemButtonIDs_; }
    const std::vector<FavoriteSite>& favoriteSites() const { return favoriteSites_; }
    // The controller waiting for the user's answer, and the controllers trusted already.
    const std::optional<PeerID>& consentRequest() const { return consentRequest_; }
    const std::vector<TrustedDevice>& trustedDevices() const { return trustedDevices_; }
    std::int64_t debugReceivedCount() const { return debugReceivedCount_; }
    const std::string& debugLastEvent() const { return debugLastEvent_; }

    // The fixed catalogue of top buttons, in the order the settings window lists them.
    const std::vector<SystemButton>& systemButtonPresets() const;
    // The desktop's applications, asked anew on every call.
    std::vector<InstalledApp> installedApps() const;
    // Pointer speed, scroll speed and natural scrolling, read and written at once.
    InputSettings& tracking() { return tracking_; }

public Q_SLOTS:
    void setAdvertising(bool on);
    void requestAccessibilityPermission();
    void toggleSystemButton(const std::string& id);
    void addRegisteredApp(const std::string& bundleId);
    void removeRegisteredApp(const std::string& bundleId);
    void moveRegisteredApp(const std::string& from, const std::string& to);
    void addFavoriteSite(const std::string& url, const std::string& name,
                         const std::optional<std::string>& browserBundleId);
    void removeFavoriteSite(const std::string& id);
    void renameFavoriteSite(const std::string& id, const std::string& name);
    void moveFavoriteSite(const std::string& from, const std::string& to);
    void answerConsentRequest(kavora::ConsentAnswer answer); // qualified for moc
    void revokeTrustedDevice(const std::string& fingerprint);
    void renameTrustedDevice(const std::string& fingerprint, const std::string& name);

Q_SIGNALS:
    void isConnectedChanged();
    void isAdvertisingChanged();
    void accessibilityGrantedChanged();
    void accessibilityHintChanged();
    void connectedPeerNameChanged();
    void registeredBundleIdsChanged();
    void systemButtonIDsChanged();
    void favoriteSitesChanged();
    void consentRequestChanged();
    void trustedDevicesChanged();
    void debugValuesChanged();

protected:
    void connectNotify(const QMetaMethod& signal) override;
    void disconnectNotify(const QMetaMethod& signal) override;

private:
    void followDebugValues(bool on);

    std::shared_ptr<MacController> controller_;
    InputSettings& tracking_;
    bool isConnected_ = false;
    bool isAdvertising_ = false;
    bool accessibilityGranted_ = false;
    std::string accessibilityHint_;
    std::optional<std::string> connectedPeerName_;
    std::vector<std::string> registeredBundleIds_;
    std::vector<std::string> systemButtonIDs_;
    std::vector<FavoriteSite> favoriteSites_;
    std::optional<PeerID> consentRequest_;
    std::vector<TrustedDevice> trustedDevices_;
    std::int64_t debugReceivedCount_ = 0;
    std::string debugLastEvent_;
    std::vector<Subscription> subscriptions_;
    std::vector<Subscription> debugSubscriptions_;
};

} // namespace kavora
