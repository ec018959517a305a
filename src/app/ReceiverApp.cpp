#include "app/ReceiverApp.h"

#include "app/ReceiverOptions.h"
#include "controller/MacController.h"
#include "controller/SettingsStore.h"
#include "input/CGEventInjector.h"
#include "link/MCReceiverMac.h"
#include "platform/InputSettings.h"
#include "platform/MacKeyCodes.h"
#include "platform/linux/accessibility/AtSpiAccessibility.h"
#include "platform/linux/desktop/DesktopApplications.h"
#include "platform/linux/desktop/DesktopLaunchServices.h"
#include "platform/linux/desktop/LinuxWorkspace.h"
#include "platform/linux/peer/LinuxHostNames.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "platform/linux/settings/PlistLegacyPreferences.h"
#include "platform/linux/settings/UserFolders.h"
#include "platform/linux/system/PulseAudioControl.h"
#include "platform/linux/system/QtHttpClient.h"
#include "platform/linux/system/QtPasteboard.h"
#include "platform/linux/system/QtScheduler.h"
#include "platform/linux/system/SystemLog.h"
#include "platform/linux/x11/X11ClientList.h"
#include "platform/linux/x11/X11EventServices.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace kavora {
namespace {

int signalPipe[2] = { -1, -1 };

void forwardSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(signalPipe[1], &byte, 1);
}

// Turns SIGINT and SIGTERM into a clean quit of the event loop, so that the session ends and
// no button stays held.
void quitOnSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] auto got = ::read(signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action { };
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
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

} // namespace

int runReceiver(int argc, char** argv, const ReceiverOptions& options)
{
    // Without a display the receiver still serves controllers; the clipboard then stays in-process.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("kavora");
    QGuiApplication::setQuitOnLastWindowClosed(false);
    quitOnSignals(app);

    SystemLog log;
    QtScheduler scheduler;
    JsonFileUserDefaults defaults(settingsFolder(), log);
    // Reads are served from memory; a change made by another process (kavora defaults write, an
    // editor) is taken here, and the next read sees it.
    std::unique_ptr<QSocketNotifier> settingsChanges;
    if (defaults.changeNotifier() >= 0) {
        settingsChanges
            = std::make_unique<QSocketNotifier>(defaults.changeNotifier(), QSocketNotifier::Read);
        QObject::connect(settingsChanges.get(), &QSocketNotifier::activated, &app,
                         [&defaults] { defaults.takeChangeNotifications(); });
    }
    PlistLegacyPreferences legacy;
    SettingsStore settings(defaults, legacy, log);
    InputSettings inputSettings(defaults);

    X11EventServices events(inputSettings);
    QtPasteboard pasteboard;
    AtSpiAccessibility accessibility;
    PulseAudioControl audio;
    LinuxWorkspace workspace(std::make_unique<DesktopApplications>(),
                             std::make_unique<X11ClientList>());
    DesktopLaunchServices launcher([&events] { postOverviewKey(events); },
                                   [&workspace](const std::string& bundleId) {
                                       return workspace.activateRunningApplication(bundleId);
                                   });
    QtHttpClient http;

    PeerLinkOptions linkOptions;
    linkOptions.port = options.port;
    linkOptions.listenAddress = options.listenAddress;
    linkOptions.publishDnsSd = options.publishesDnsSd();
    linkOptions.configFolder = settingsFolder();
    LinuxPeerFramework framework(linkOptions, log);
    LinuxHostNames hostNames;

    auto receiver = MCReceiverMac::create(scheduler, framework, defaults, hostNames);
    auto injector = CGEventInjector::create(
        { scheduler, inputSettings, events, pasteboard, accessibility, audio, launcher, log });
    auto controller = MacController::create(
        { scheduler, accessibility, launcher, settings, defaults, workspace, http, log }, receiver,
        injector);

    if (options.advertise) {
        controller->setAdvertising(true);
        std::printf("kavora: %s listening on port %u\n", receiver->myPeerID().displayName.c_str(),
                    static_cast<unsigned>(framework.serverPort()));
        std::fflush(stdout);
    } else {
        std::printf("kavora: ready; advertising is off\n");
        std::fflush(stdout);
    }
    if (!controller->accessibilityGranted().get())
        log.line("kavora: input cannot be injected on this display (no X server with XTEST)");

    const int status = QGuiApplication::exec();
    controller->setAdvertising(false);
    return status;
}

} // namespace kavora
