// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ControllerAdapter.h"

#include "controller/MacController.h"
#include "controller/SystemButtonPresets.h"

#include <QMetaMethod>

namespace kavora {
namespace {

// Copies every new value of source into mirror and calls changed() when it differs from the
// previous one: the controller notifies on every assignment, the views only on a change.
template <class T, class Changed>
Subscription follow(const Published<T>& source, T& mirror, Changed changed)
{
    return source.subscribe(
        [&mirror, changed](const T& value) {
            if (value == mirror)
                return;
            mirror = value;
            changed();
        },
        Delivery::CurrentFirst);
}

} // namespace

ControllerAdapter::ControllerAdapter(std::shared_ptr<MacController> controller,
                                     InputSettings& tracking, QObject* parent)
    : QObject(parent)
    , controller_(std::move(controller))
    , tracking_(tracking)
{
    auto& c = *controller_;
    subscriptions_.push_back(
        follow(c.isConnected(), isConnected_, [this] { Q_EMIT isConnectedChanged(); }));
    subscriptions_.push_back(
        follow(c.isAdvertising(), isAdvertising_, [this] { Q_EMIT isAdvertisingChanged(); }));
    subscriptions_.push_back(follow(c.accessibilityGranted(), accessibilityGranted_,
                                    [this] { Q_EMIT accessibilityGrantedChanged(); }));
    subscriptions_.push_back(follow(c.accessibilityHint(), accessibilityHint_,
                                    [this] { Q_EMIT accessibilityHintChanged(); }));
    subscriptions_.push_back(follow(c.connectedPeerName(), connectedPeerName_,
                                    [this] { Q_EMIT connectedPeerNameChanged(); }));
    subscriptions_.push_back(follow(c.registeredBundleIds(), registeredBundleIds_,
                                    [this] { Q_EMIT registeredBundleIdsChanged(); }));
    subscriptions_.push_back(
        follow(c.systemButtonIDs(), systemButtonIDs_, [this] { Q_EMIT systemButtonIDsChanged(); }));
    subscriptions_.push_back(
        follow(c.favoriteSites(), favoriteSites_, [this] { Q_EMIT favoriteSitesChanged(); }));
    subscriptions_.push_back(
        follow(c.consentRequest(), consentRequest_, [this] { Q_EMIT consentRequestChanged(); }));
    subscriptions_.push_back(
        follow(c.trustedDevices(), trustedDevices_, [this] { Q_EMIT trustedDevicesChanged(); }));
}

ControllerAdapter::~ControllerAdapter() = default;

ConnectionStatus ControllerAdapter::connectionStatus() const
{
    return { isConnected_, isAdvertising_, connectedPeerName_ };
}

const std::vector<SystemButton>& ControllerAdapter::systemButtonPresets() const
{
    return kavora::systemButtonPresets();
}

std::vector<InstalledApp> ControllerAdapter::installedApps() const
{
    return controller_->installedApps();
}

void ControllerAdapter::setAdvertising(bool on)
{
    controller_->setAdvertising(on);
}

void ControllerAdapter::requestAccessibilityPermission()
{
    controller_->requestAccessibilityPermission();
}

void ControllerAdapter::toggleSystemButton(const std::string& id)
{
    controller_->toggleSystemButton(id);
}

void ControllerAdapter::addRegisteredApp(const std::string& bundleId)
{
    controller_->addRegisteredApp(bundleId);
}

void ControllerAdapter::removeRegisteredApp(const std::string& bundleId)
{
    controller_->removeRegisteredApp(bundleId);
}

void ControllerAdapter::moveRegisteredApp(const std::string& from, const std::string& to)
{
    controller_->moveRegisteredApp(from, to);
}

void ControllerAdapter::addFavoriteSite(const std::string& url, const std::string& name,
                                        const std::optional<std::string>& browserBundleId)
{
    controller_->addFavoriteSite(url, name, browserBundleId);
}

void ControllerAdapter::removeFavoriteSite(const std::string& id)
{
    controller_->removeFavoriteSite(id);
}

void ControllerAdapter::renameFavoriteSite(const std::string& id, const std::string& name)
{
    controller_->renameFavoriteSite(id, name);
}

void ControllerAdapter::moveFavoriteSite(const std::string& from, const std::string& to)
{
    controller_->moveFavoriteSite(from, to);
}

void ControllerAdapter::answerConsentRequest(ConsentAnswer answer)
{
    controller_->answerConsentRequest(answer);
}

void ControllerAdapter::revokeTrustedDevice(const std::string& fingerprint)
{
    controller_->revokeTrustedDevice(fingerprint);
}

void ControllerAdapter::renameTrustedDevice(const std::string& fingerprint, const std::string& name)
{
    controller_->renameTrustedDevice(fingerprint, name);
}

void ControllerAdapter::connectNotify(const QMetaMethod& signal)
{
    if (signal == QMetaMethod::fromSignal(&ControllerAdapter::debugValuesChanged))
        followDebugValues(true);
}

void ControllerAdapter::disconnectNotify(const QMetaMethod& signal)
{
    // An invalid method: disconnect() of everything.
    if (!signal.isValid()
        || signal == QMetaMethod::fromSignal(&ControllerAdapter::debugValuesChanged))
        followDebugValues(
            isSignalConnected(QMetaMethod::fromSignal(&ControllerAdapter::debugValuesChanged)));
}

void ControllerAdapter::followDebugValues(bool on)
{
    if (!on) {
        debugSubscriptions_.clear();
        return;
    }
    if (!debugSubscriptions_.empty())
        return;
    auto& c = *controller_;
    debugSubscriptions_.push_back(kavora::follow(c.debugReceivedCount(), debugReceivedCount_,
                                                 [this] { Q_EMIT debugValuesChanged(); }));
    debugSubscriptions_.push_back(kavora::follow(c.debugLastEvent(), debugLastEvent_,
                                                 [this] { Q_EMIT debugValuesChanged(); }));
}

} // namespace kavora
