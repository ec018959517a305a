#include "controller/MacController.h"

#include "controller/SystemButtonPresets.h"
#include "core/Overloaded.h"
#include "input/CGEventInjector.h"
#include "link/MCReceiverMac.h"
#include "platform/Accessibility.h"
#include "platform/LaunchServices.h"

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
    controller->start();
    return controller;
}

MacController::MacController(Passkey, const Services& services,
                             std::shared_ptr<MCReceiverMac> receiver,
                             std::shared_ptr<CGEventInjector> injector)
    : scheduler_(services.scheduler)
    , accessibility_(services.accessibility)
    , launcher_(services.launcher)
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

    accessibilityGranted = accessibility_.isTrusted();
    startAccessibilityPolling();

    subscribeChangeHandlers();
    settings_.migrateLegacyPreferences();
    settings_.loadSettings(lists);
}

void MacController::subscribeToReceiver()
{
    std::weak_ptr<MacController> weak = weak_from_this();
    cancellables_.push_back(receiver_->isConnected.subscribe(
        [this, weak](const bool& connected) {
            scheduler_.post([weak, connected] {
                if (auto self = weak.lock())
                    self->isConnected = connected;
            });
        },
        Delivery::CurrentFirst));

    // Each transition to connected (repeated values folded) pushes the lists a moment later.
    auto lastConnected = std::make_shared<std::optional<bool>>();
    cancellables_.push_back(receiver_->isConnected.subscribe(
        [this, weak, lastConnected](const bool& connected) {
            if (*lastConnected == connected)
                return;
            *lastConnected = connected;
            if (!connected)
                return;
            scheduler_.post([weak] {
                auto self = weak.lock();
                if (!self)
                    return;
                self->scheduler_.after(kPushAfterConnect, [weak] {
                    if (auto later = weak.lock())
                        later->pushAllLists();
                });
            });
        },
        Delivery::CurrentFirst));

    cancellables_.push_back(receiver_->connectedPeerName.subscribe(
        [this, weak](const std::optional<std::string>& name) {
            scheduler_.post([weak, name] {
                if (auto self = weak.lock())
                    self->connectedPeerName = name;
            });
        },
        Delivery::CurrentFirst));
}

void MacController::subscribeChangeHandlers()
{
    cancellables_.push_back(lists.registeredBundleIds.subscribe(
        [this](const std::vector<std::string>& ids) { settings_.storeRegisteredBundleIds(ids); }));
    cancellables_.push_back(
        lists.systemButtonIDs.subscribe([this](const std::vector<std::string>& ids) {
            settings_.storeSystemButtonIDs(ids);
            if (*isConnected)
                receiver_->send(msg::SystemButtons { selectedSystemButtons(ids) });
        }));
    cancellables_.push_back(
        lists.favoriteSites.subscribe([this](const std::vector<FavoriteSite>& sites) {
            settings_.storeFavoriteSites(sites);
            if (*isConnected)
                receiver_->send(msg::FavoriteSites { favoriteSitesForPeer() });
        }));
}

void MacController::handleMessage(const ControlMessage& message)
{
    std::visit(
        Overloaded {
            [this](const msg::LaunchApp& launch) { openApp(launch.bundleId); },
            [this](const msg::ActivateApp& activate) { openApp(activate.bundleId); },
            [this](const msg::OpenURL& open) { openURLInBrowser(open.url, open.browserBundleId); },
            [this](const msg::Heartbeat& heartbeat) { receiver_->send(heartbeat); },
            [this](const msg::RequestAppList&) {
                receiver_->send(msg::AppList { runningAppList() });
            },
            [this](const msg::RequestRegisteredApps&) {
                receiver_->send(msg::RegisteredAppList { registeredAppInfos() });
            },
            [this](const msg::RequestSystemButtons&) {
                receiver_->send(
                    msg::SystemButtons { selectedSystemButtons(*lists.systemButtonIDs) });
            },
            [this](const msg::RequestFavoriteSites&) {
                receiver_->send(msg::FavoriteSites { favoriteSitesForPeer() });
            },
            [this, &message](const auto&) { takeInput(message); },
        },
        message);
}

void MacController::takeInput(const ControlMessage& message)
{
    debugReceivedCount = *debugReceivedCount + 1;
    debugLastEvent = std::string(debugLabel(message));
    accessibilityGranted = accessibility_.isTrusted();
    if (*accessibilityGranted)
        injector_->inject(message);
}

void MacController::pushAllLists()
{
    if (!*isConnected)
        return;
    receiver_->send(msg::RegisteredAppList { registeredAppInfos() });
    receiver_->send(msg::SystemButtons { selectedSystemButtons(*lists.systemButtonIDs) });
    receiver_->send(msg::FavoriteSites { favoriteSitesForPeer() });
}

void MacController::setAdvertising(bool on)
{
    isAdvertising = on;
    if (on)
        receiver_->startAdvertising();
    else
        receiver_->stopAdvertising();
}

void MacController::startAccessibilityPolling()
{
    if (*accessibilityGranted)
        return;
    stopAccessibilityPolling();
    std::weak_ptr<MacController> weak = weak_from_this();
    accessibilityPollTimer_ = scheduler_.every(kAccessibilityPollInterval, [weak] {
        auto self = weak.lock();
        if (!self)
            return;
        const bool trusted = self->accessibility_.isTrusted();
        self->scheduler_.post([weak, trusted] {
            auto later = weak.lock();
            if (!later)
                return;
            later->accessibilityGranted = trusted;
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

void MacController::recheckAccessibility()
{
    accessibilityGranted = accessibility_.isTrusted();
    startAccessibilityPolling();
}

void MacController::requestAccessibilityPermission()
{
    accessibility_.requestTrust();
    startAccessibilityPolling();
}

void MacController::toggleSystemButton(const std::string& id)
{
    if (auto toggled = toggledSystemButtonIDs(*lists.systemButtonIDs, id))
        lists.systemButtonIDs = std::move(*toggled);
}

std::vector<AppInfo> MacController::runningAppList()
{
    return {};
}

std::vector<AppInfo> MacController::registeredAppInfos()
{
    return {};
}

std::vector<FavoriteSite> MacController::favoriteSitesForPeer()
{
    return *lists.favoriteSites;
}

void MacController::openApp(const std::string& bundleId)
{
    launcher_.openApplication(bundleId);
}

void MacController::openURLInBrowser(const std::string& url,
                                     const std::optional<std::string>& browserBundleId)
{
    launcher_.openURL(url, browserBundleId);
}

} // namespace kavora
