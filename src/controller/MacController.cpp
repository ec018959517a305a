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

    accessibilityGranted = accessibility_.isTrusted();
    startAccessibilityPolling();

    subscribeChangeHandlers();
    settings_.migrateLegacyPreferences();
    settings_.loadSettings(lists);
    catalogue_->observeWorkspace();
}

void MacController::createCatalogues(const Services& services)
{
    std::weak_ptr<MacController> weak = weak_from_this();
    AppCatalogue::Hooks hooks;
    hooks.isConnected = [weak] {
        auto self = weak.lock();
        return self && *self->isConnected;
    };
    hooks.sendRegisteredAppList = [weak](std::vector<AppInfo> apps) {
        if (auto self = weak.lock())
            self->receiver_->send(msg::RegisteredAppList { std::move(apps) });
    };
    catalogue_ = AppCatalogue::create({ services.scheduler, services.workspace, services.launcher },
                                      lists.registeredBundleIds, std::move(hooks));

    // A favicon or page title that arrives late is sent at once.
    favoriteSites_ = FavoriteSites::create(
        { services.scheduler, services.http, services.launcher, services.defaults },
        lists.favoriteSites, [weak] {
            auto self = weak.lock();
            if (self && *self->isConnected)
                self->sendFavoriteSites();
        });
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
    // No push here: the catalogue's edits arm its debounced push themselves.
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
                sendFavoriteSites();
        }));
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
                receiver_->send(
                    msg::SystemButtons { selectedSystemButtons(*lists.systemButtonIDs) });
            },
            [this](const msg::RequestFavoriteSites&) { sendFavoriteSites(); },
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
    receiver_->send(msg::RegisteredAppList { catalogue_->registeredAppInfos() });
    receiver_->send(msg::SystemButtons { selectedSystemButtons(*lists.systemButtonIDs) });
    sendFavoriteSites();
}

void MacController::sendFavoriteSites()
{
    receiver_->send(msg::FavoriteSites { favoriteSites_->favoriteSitesForPeer() });
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
