// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/Receiver.h"

#include "app/ReceiverOptions.h"
#include "controller/MacController.h"
#include "core/Log.h"
#include "input/CGEventInjector.h"
#include "link/MCReceiverMac.h"
#include "platform/DisplayRecovery.h"
#include "platform/MacKeyCodes.h"
#include "platform/linux/desktop/DesktopApplications.h"
#include "platform/linux/settings/UserFolders.h"
#include "platform/linux/system/QtPasteboard.h"
#include "platform/linux/x11/X11ClientList.h"
#include "platform/linux/x11/X11Clipboard.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdlib>
#include <utility>

namespace kavora {
namespace {

constexpr std::chrono::seconds kSettingsPollInterval { 1 };
// The program's status when the display is gone for good.
constexpr int kDisplayGoneStatus = 1;

std::string xDisplayName()
{
    const char* name = std::getenv("DISPLAY");
    return name ? name : "";
}

std::unique_ptr<Pasteboard> clipboardFor(InputBackend backend)
{
    if (backend == InputBackend::XTest)
        return std::make_unique<X11Clipboard>();
    return std::make_unique<QtPasteboard>();
}

// The overview key where the desktop offers no overview call: Command+Space, which the X11
// backend turns into the desktop's Super key.
void postOverviewKey(EventServices& events)
{
    events.postKey({ mackey::kCommand, KeyState::Down, std::nullopt, std::nullopt });
    events.postKey({ mackey::kSpace, KeyState::Down, eventflag::kCommand, std::nullopt });
    events.postKey({ mackey::kSpace, KeyState::Up, eventflag::kCommand, std::nullopt });
    events.postKey({ mackey::kCommand, KeyState::Up, std::nullopt, std::nullopt });
}

// Bytes from the system's cryptographic source, for pairing codes.
Bytes systemRandomBytes(std::size_t count)
{
    Bytes bytes(count);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes;
}

PeerLinkOptions linkOptions(const ReceiverOptions& options, const UserDefaults& defaults,
                            BrowserAccess& browser, Log& log)
{
    PeerLinkOptions link;
    link.browser = &browser;
    link.port = listenPort(options, defaults, log);
    link.listenAddress = options.listenAddress;
    link.publishDnsSd = options.publishesDnsSd();
    link.configFolder = settingsFolder();
    return link;
}

} // namespace

Receiver::Receiver(const ReceiverOptions& options, Log& log)
    : log_(log)
    , defaults_(settingsFolder(), log, scheduler_)
    , legacy_(kOwnProgram)
    , settings_(defaults_, legacy_, log)
    , inputSettings_(defaults_)
    , input_(scheduler_, defaults_, inputSettings_, log)
    , pasteboard_(clipboardFor(input_.backend()))
    , workspace_(std::make_unique<DesktopApplications>(), runningSources())
    , launcher_([this] { postOverviewKey(input_.events()); },
                [this](const std::string& bundleId) {
                    return workspace_.activateRunningApplication(bundleId);
                })
    , pairingTokens_(scheduler_, systemRandomBytes)
    , browser_(defaults_, pairingTokens_, options.listenAddress)
    , framework_(linkOptions(options, defaults_, browser_, log), log)
{
    receiver_ = MCReceiverMac::create(scheduler_, framework_, defaults_, hostNames_);
    if (defaults_.changeNotifier() >= 0) {
        settingsChanges_
            = std::make_unique<QSocketNotifier>(defaults_.changeNotifier(), QSocketNotifier::Read);
        QObject::connect(settingsChanges_.get(), &QSocketNotifier::activated,
                         settingsChanges_.get(), [this] { takeSettingsChanges(); });
    } else {
        QObject::connect(&settingsPoll_, &QTimer::timeout, &settingsPoll_,
                         [this] { takeSettingsChanges(); });
        settingsPoll_.start(kSettingsPollInterval);
    }
    injector_ = CGEventInjector::create({ scheduler_, inputSettings_, input_.events(), *pasteboard_,
                                          input_, audio_, launcher_, log });
    controller_ = MacController::create(
        { scheduler_, input_, launcher_, settings_, defaults_, workspace_, http_, log }, receiver_,
        injector_);
    followControllersWithInputSession();
    followDisplay();
}

Receiver::~Receiver()
{
    // Closing the session on the way out changes its state; nobody is left to show it.
    input_.onTrustChanged = nullptr;
    input_.onDisplayLost = nullptr;
    if (clientList_)
        clientList_->onConnectionLost({});
}

RunningSources Receiver::runningSources()
{
    auto sources = RunningSources::ofThisSession(scheduler_, log_);
    clientList_ = sources.clients.get();
    return sources;
}

void Receiver::followDisplay()
{
    const bool x11Input = input_.backend() == InputBackend::XTest;
    if (!x11Input && !clientList_)
        return;
    const std::string display = xDisplayName();
    displayRecovery_ = std::make_unique<DisplayRecovery>(
        scheduler_,
        DisplayRecovery::Steps {
            [this, display] {
                log_.line("kavora: lost the connection to the X display " + display
                          + "; input is off until it is back");
            },
            [this] {
                const bool input = input_.reconnectDisplay();
                const bool windows = !clientList_ || clientList_->reconnect();
                return input && windows;
            },
            [this, display] {
                log_.line("kavora: connected to the X display " + display + " again");
                // A button the device held went with input's old connection, or is still down
                // on a server that only dropped that connection: released either way.
                if (std::exchange(inputWasLost_, false))
                    injector_->releaseAll();
                controller_->recheckAccessibility();
            },
            [this, display] {
                log_.line("kavora: the X display " + display + " did not come back within "
                          + std::to_string(static_cast<int>(DisplayRecovery::kGiveUpAfter.count()))
                          + " s; exiting");
                QCoreApplication::exit(kDisplayGoneStatus);
            } });
    const auto lost = [this] { displayRecovery_->connectionLost(); };
    input_.onDisplayLost = [this, lost] {
        // Input stops at once, even when the window list noticed the loss first.
        inputWasLost_ = true;
        controller_->recheckAccessibility();
        lost();
    };
    if (clientList_)
        clientList_->onConnectionLost(lost);
    // The server may have ended (or restarted) between the choice of input and now.
    if ((x11Input && !input_.isTrusted()) || (clientList_ && !clientList_->isConnected()))
        lost();
}

void Receiver::followControllersWithInputSession()
{
    // A Wayland session asks the user, so it is held only while a controller that passed our own
    // consent is connected. The end is posted: the controller first releases the buttons the
    // device held, through the session still open.
    auto follow = [this](bool wanted) {
        scheduler_.post(
            [this, wanted] { input_.setSessionWanted(wanted && *controller_->isConnected()); });
    };
    subscriptions_.push_back(
        controller_->isConnected().subscribe([follow](const bool& on) { follow(on); }));
    subscriptions_.push_back(controller_->isAdvertising().subscribe([follow](const bool& on) {
        if (!on)
            follow(false);
    }));
    // What the permission block shows follows the session at once, not at the next poll.
    input_.onTrustChanged
        = [this] { scheduler_.post([this] { controller_->recheckAccessibility(); }); };
}

void Receiver::takeSettingsChanges()
{
    defaults_.takeChangeNotifications();
    receiver_->reloadTrustedDevices();
    browser_.reload();
}

std::string Receiver::displayName() const
{
    return receiver_->myPeerID().displayName;
}

void Receiver::shutDown()
{
    controller_->setAdvertising(false);
    // The link reports the session's end through the main queue; run it now, so that the
    // controller releases what the device held while the X connection still exists.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    injector_->releaseAll();
}

} // namespace kavora
