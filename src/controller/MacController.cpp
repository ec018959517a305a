// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/MacController.h"

#include "controller/FavoriteSites.h"
#include "controller/SystemButtonPresets.h"
#include "core/Overloaded.h"
#include "input/CGEventInjector.h"
#include "link/MCReceiverMac.h"
#include "platform/Accessibility.h"

#include <variant>

namespace kavora {
namespace {

constexpr Seconds kPushAfterConnect { 0.5 };
constexpr Seconds kAccessibilityPollInterval { 1.5 };

} // namespace

std::shared_ptr<MacController> MacController::create(const Services& services,
                                                     std::shared_ptr<MCReceiverMac> receiver,
                                                     std::shared_ptr<CGEventInjector> injector)
{
    auto controller = std::make_shared<MacController>(Passkey {}, services, std::move(receiver),
                                                      std::move(injector));
    controller->createCatalogues(services);
    controller->start();
    return controller;
}

MacController::MacController(Passkey, const Services& services,
                             std::shared_ptr<MCReceiverMac> receiver,
                             std::shared_ptr<CGEventInjector> injector)
    : scheduler_(services.scheduler)
    , accessibility_(services.accessibility)
    , settings_(services.settings)
    , log_(services.log)
    , receiver_(std::move(receiver))
    , injector_(std::move(injector))
{
}

MacController::~MacController()
{
    stopAccessibilityPolling();
    receiver_->onMessage = nullptr;
    receiver_->onSessionEnded = nullptr;
}

void MacController::start()
{
    std::weak_ptr<MacController> weak = weak_from_this();
    receiver_->onMessage = [weak](const ControlMessage& message) {
        if (auto self = weak.lock())
            self->handleMessage(message);
    };
    // Whatever ends a session, no button the controller held may stay pressed.
    receiver_->onSessionEnded = [weak] {
        if (auto self = weak.lock())
            self->injector_->releaseAll();
    };
    subscribeToReceiver();

    readAccessibility();
    startAccessibilityPolling();

    subscribeChangeHandlers();
    settings_.migrateLegacyPreferences();
    // Each owner takes its list; the change handlers store each one back at once.
    auto stored = settings_.loadSettings();
    catalogue_->restoreRegisteredBundleIds(std::move(stored.registeredBundleIds));
    systemButtonIDs_ = std::move(stored.systemButtonIDs);
    if (stored.favoriteSites)
        favoriteSites_->restoreFavoriteSites(std::move(*stored.favoriteSites));
    catalogue_->observeWorkspace();
}

void MacController::createCatalogues(const Services& services)
{
    std::weak_ptr<MacController> weak = weak_from_this();
    AppCatalogue::Hooks hooks;
    hooks.isConnected = [weak] {
        auto self = weak.lock();
        return self && *self->isConnected();
    };
    hooks.sendRegisteredAppList = [weak](std::vector<AppInfo> apps) {
        if (auto self = weak.lock())
            self->receiver_->send(msg::RegisteredAppList { std::move(apps) });
    };
    catalogue_ = AppCatalogue::create({ services.scheduler, services.workspace, services.launcher },
                                      std::move(hooks));

    // A favicon or page title that arrives late is sent at once.
    favoriteSites_ = FavoriteSites::create(
        { services.scheduler, services.http, services.launcher, services.defaults }, [weak] {
            auto self = weak.lock();
            if (self && *self->isConnected())
                self->sendFavoriteSites();
        });
}

void MacController::subscribeToReceiver()
{
    // The receiver publishes on the main queue already, so its views are used as they are. Each
    // transition to connected (repeated values folded) pushes the lists a moment later.
    std::weak_ptr<MacController> weak = weak_from_this();
    auto lastConnected = std::make_shared<std::optional<bool>>();
    cancellables_.push_back(receiver_->isConnected().subscribe(
        [this, weak, lastConnected](const bool& connected) {
            if (*lastConnected == connected)
                return;
            *lastConnected = connected;
            if (!connected)
                return;
            scheduler_.after(kPushAfterConnect, [weak] {
                if (auto self = weak.lock())
                    self->pushAllLists();
            });
        },
        Delivery::CurrentFirst));
}

void MacController::subscribeChangeHandlers()
{
    // No push here: the catalogue's edits arm its debounced push themselves.
    cancellables_.push_back(catalogue_->registeredBundleIds().subscribe(
        [this](const Ids& ids) { settings_.storeRegisteredBundleIds(ids); }));
    cancellables_.push_back(systemButtonIDs_.subscribe([this](const Ids& ids) {
        settings_.storeSystemButtonIDs(ids);
        if (*isConnected())
            receiver_->send(msg::SystemButtons { selectedSystemButtons(ids) });
    }));
    cancellables_.push_back(
        favoriteSites_->favoriteSites().subscribe([this](const std::vector<FavoriteSite>& sites) {
            settings_.storeFavoriteSites(sites);
            if (*isConnected())
                sendFavoriteSites();
        }));
}

const Published<bool>& MacController::isConnected() const
{
    return receiver_->isConnected();
}

const Published<bool>& MacController::isAdvertising() const
{
    return receiver_->isAdvertising();
}

const Published<std::optional<std::string>>& MacController::connectedPeerName() const
{
    return receiver_->connectedPeerName();
}

const Published<MacController::Ids>& MacController::registeredBundleIds() const
{
    return catalogue_->registeredBundleIds();
}

const Published<std::vector<FavoriteSite>>& MacController::favoriteSites() const
{
    return favoriteSites_->favoriteSites();
}

const Published<std::vector<TrustedDevice>>& MacController::trustedDevices() const
{
    return receiver_->trustedDevices();
}

const Published<std::optional<PeerID>>& MacController::consentRequest() const
{
    return receiver_->consentRequest();
}

void MacController::answerConsentRequest(ConsentAnswer answer)
{
    receiver_->answerConsentRequest(answer);
}

void MacController::revokeTrustedDevice(const std::string& fingerprint)
{
    receiver_->revokeTrustedDevice(fingerprint);
}

void MacController::renameTrustedDevice(const std::string& fingerprint, const std::string& name)
{
    receiver_->renameTrustedDevice(fingerprint, name);
}

void MacController::handleMessage(const ControlMessage& message)
{
    std::visit(
        Overloaded {
            [this](const msg::LaunchApp& launch) { catalogue_->openApp(launch.bundleId); },
            [this](const msg::ActivateApp& activate) { catalogue_->openApp(activate.bundleId); },
            [this](const msg::OpenURL& open) {
                favoriteSites_->openURLInBrowser(open.url, open.browserBundleId);
            },
            [this](const msg::Heartbeat& heartbeat) { receiver_->send(heartbeat); },
            [this](const msg::RequestAppList&) {
                receiver_->send(msg::AppList { catalogue_->runningAppList() });
            },
            [this](const msg::RequestRegisteredApps&) {
                receiver_->send(msg::RegisteredAppList { catalogue_->registeredAppInfos() });
            },
            [this](const msg::RequestSystemButtons&) {
                receiver_->send(msg::SystemButtons { selectedSystemButtons(*systemButtonIDs_) });
            },
            [this](const msg::RequestFavoriteSites&) { sendFavoriteSites(); },
            [this, &message]<InputCase M>(const M&) { takeInput(message); },
            // Sent by a controller, a reply is nothing to act on.
            []<ReplyCase M>(const M&) {},
        },
        message);
}

void MacController::takeInput(const ControlMessage& message)
{
    debugReceivedCount_ = *debugReceivedCount_ + 1;
    debugLastEvent_ = std::string(debugLabel(message));
    readAccessibility();
    if (*accessibilityGranted_)
        injector_->inject(message);
}

void MacController::pushAllLists()
{
    if (!*isConnected())
        return;
    receiver_->send(msg::RegisteredAppList { catalogue_->registeredAppInfos() });
    receiver_->send(msg::SystemButtons { selectedSystemButtons(*systemButtonIDs_) });
    sendFavoriteSites();
}

void MacController::sendFavoriteSites()
{
    receiver_->send(msg::FavoriteSites { favoriteSites_->favoriteSitesForPeer() });
}

void MacController::setAdvertising(bool on)
{
    if (on)
        receiver_->startAdvertising();
    else
        receiver_->stopAdvertising();
}

void MacController::startAccessibilityPolling()
{
    if (*accessibilityGranted_)
        return;
    stopAccessibilityPolling();
    std::weak_ptr<MacController> weak = weak_from_this();
    accessibilityPollTimer_ = scheduler_.every(kAccessibilityPollInterval, [weak] {
        auto self = weak.lock();
        if (!self)
            return;
        const bool trusted = self->accessibility_.isTrusted();
        auto hint = self->accessibility_.trustHint();
        self->scheduler_.post([weak, trusted, hint = std::move(hint)] {
            auto later = weak.lock();
            if (!later)
                return;
            later->accessibilityGranted_ = trusted;
            later->accessibilityHint_ = hint;
            if (trusted)
                later->stopAccessibilityPolling();
        });
    });
}

void MacController::stopAccessibilityPolling()
{
    if (accessibilityPollTimer_)
        accessibilityPollTimer_->cancel();
    accessibilityPollTimer_.reset();
}

void MacController::readAccessibility()
{
    accessibilityGranted_ = accessibility_.isTrusted();
    accessibilityHint_ = accessibility_.trustHint();
}

void MacController::recheckAccessibility()
{
    readAccessibility();
    startAccessibilityPolling();
}

void MacController::requestAccessibilityPermission()
{
    accessibility_.requestTrust();
    // The request may have changed what the permission block says (a dialog opened).
    accessibilityHint_ = accessibility_.trustHint();
    startAccessibilityPolling();
}

void MacController::toggleSystemButton(const std::string& id)
{
    if (auto toggled = toggledSystemButtonIDs(*systemButtonIDs_, id))
        systemButtonIDs_ = std::move(*toggled);
}

std::vector<InstalledApp> MacController::installedApps()
{
    return catalogue_->installedApps();
}

void MacController::addRegisteredApp(const std::string& bundleId)
{
    catalogue_->addRegisteredApp(bundleId);
}

void MacController::removeRegisteredApp(const std::string& bundleId)
{
    catalogue_->removeRegisteredApp(bundleId);
}

void MacController::moveRegisteredApp(const std::string& from, const std::string& to)
{
    catalogue_->moveRegisteredApp(from, to);
}

void MacController::addFavoriteSite(const std::string& url, const std::string& name,
                                    const std::optional<std::string>& browserBundleId)
{
    favoriteSites_->addFavoriteSite(url, name, browserBundleId);
}

void MacController::removeFavoriteSite(const std::string& id)
{
    favoriteSites_->removeFavoriteSite(id);
}

void MacController::renameFavoriteSite(const std::string& id, const std::string& name)
{
    favoriteSites_->renameFavoriteSite(id, name);
}

void MacController::moveFavoriteSite(const std::string& from, const std::string& to)
{
    favoriteSites_->moveFavoriteSite(from, to);
}

} // namespace kavora
