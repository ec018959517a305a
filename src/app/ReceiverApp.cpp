// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/ReceiverApp.h"

#include "app/DesktopShell.h"
#include "app/Receiver.h"
#include "app/ReceiverOptions.h"
#include "app/SingleInstance.h"
#include "controller/MacController.h"
#include "platform/linux/system/SystemLog.h"
#include "presentation/ConsentTexts.h"
#include "presentation/MessageLanguage.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace kavora {
namespace {

constexpr const char* kGuardLine
    = "KVGUARD 既に起動済みのインスタンスを検出 → 二重起動を防ぐため終了";
// How long a second launch waits for the running copy to take its request.
constexpr std::chrono::seconds kShowRequestTimeout { 5 };

std::array<int, 2> signalPipe { -1, -1 };

void forwardSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(signalPipe[1], &byte, 1);
}

// Turns SIGINT and SIGTERM into a clean quit of the event loop, so that the session ends and
// no button stays held.
void quitOnSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe.data()) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] auto got = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action { };
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

// The compiled catalogues of the texts: share/locale beside the program's folder (an installed
// prefix, wherever it was moved, or the build tree, which has the same layout), else where the
// build installs them.
std::string catalogueFolder()
{
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto beside = program.parent_path().parent_path() / "share" / "locale";
    if (!error && std::filesystem::is_directory(beside, error))
        return beside.string();
    return KAVORA_LOCALEDIR;
}

// Whether input reaches the desktop, each time that changes after the start (the display went
// away or came back, the desktop granted or ended input), said where the person running the
// receiver without a window looks.
Subscription announceInputChanges(const MacController& controller)
{
    const auto& granted = controller.accessibilityGranted();
    // Shared: the published value calls a copy of the observer.
    return granted.subscribe([shown = std::make_shared<bool>(*granted)](const bool& now) {
        if (now == *shown)
            return;
        *shown = now;
        (void)std::puts(now ? "kavora: input reaches the desktop"
                            : "kavora: input does not reach the desktop");
        (void)std::fflush(stdout);
    });
}

void announce(const ReceiverOptions& options, Receiver& receiver)
{
    if (options.advertise) {
        receiver.controller()->setAdvertising(true);
        std::printf("kavora: %s listening on port %u\n", receiver.displayName().c_str(),
                    static_cast<unsigned>(receiver.serverPort()));
        const auto& address = *receiver.browserAccess().pairingAddress();
        if (!address.empty())
            std::printf("kavora: control from a browser at %s\n", address.c_str());
    } else {
        std::printf("kavora: ready; advertising is off\n");
    }
    (void)std::fflush(stdout);
}

int runHeadless(int argc, char** argv, const ReceiverOptions& options, SingleInstance& instance,
                Log& log)
{
    // Without a display the receiver still serves controllers; the clipboard then stays in-process.
    // The environment is written before the application object, so before any other thread.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1); // NOLINT(concurrency-mt-unsafe)
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("kavora");
    QGuiApplication::setApplicationVersion(KAVORA_VERSION);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    quitOnSignals(app);

    Receiver receiver(options, log);
    instance.listen([] {}, [&receiver] { return receiver.browserAccess().freshPairingAddress(); });
    // Nobody is there to be asked: the request is said where the person running the receiver
    // looks, with the command that allows the controller.
    auto requests = receiver.controller()->consentRequest().subscribe(
        [&log](const std::optional<PeerID>& peer) {
            if (!peer)
                return;
            (void)std::fputs(consentAnnouncement(*peer).c_str(), stdout);
            (void)std::fflush(stdout);
            log.line(consentLogLine(*peer));
        });
    announce(options, receiver);
    auto inputChanges = announceInputChanges(*receiver.controller());
    const int status = QGuiApplication::exec();
    receiver.shutDown();
    return status;
}

int runDesktop(int argc, char** argv, const ReceiverOptions& options, SingleInstance& instance,
               Log& log)
{
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr
        && std::getenv("QT_QPA_PLATFORM") == nullptr) {
        (void)std::fputs("kavora: no display to show the settings window on; "
                         "run kavora --headless to serve controllers without one\n",
                         stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("kavora");
    QApplication::setApplicationDisplayName("Kavora");
    QApplication::setApplicationVersion(KAVORA_VERSION);
    QApplication::setDesktopFileName(KAVORA_APP_ID);
    QApplication::setQuitOnLastWindowClosed(false);
    quitOnSignals(app);

    Receiver receiver(options, log);
    DesktopShell shell(
        receiver.controller(), receiver.inputSettings(), receiver.browserAccess(), log,
        options.autostart ? DesktopShell::Start::InTray : DesktopShell::Start::WithSettings);
    instance.listen([&shell] { shell.showSettings(); },
                    [&receiver] { return receiver.browserAccess().freshPairingAddress(); });
    // Coming back to the program is when a permission granted meanwhile shows.
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &app,
                     [controller = receiver.controller()](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             controller->recheckAccessibility();
                     });
    announce(options, receiver);
    const int status = QApplication::exec();
    receiver.shutDown();
    return status;
}

} // namespace

int runReceiver(int argc, char** argv, const ReceiverOptions& options)
{
    // A write to a display or a peer that has gone away fails with EPIPE instead of ending the
    // program. Set before any connection opens, so that the X connections see it and skip the
    // signal masking they would otherwise do around every call.
    struct sigaction ignore { };
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, nullptr);
    useMessageCatalogues(catalogueFolder());
    SystemLog log;
    SingleInstance instance;
    if (!instance.acquire()) {
        // Before anything of this copy starts: no window, no advertising, no settings file.
        log.line(kGuardLine);
        if (!options.headless)
            instance.requestShow(kShowRequestTimeout);
        return 0;
    }
    return options.headless ? runHeadless(argc, argv, options, instance, log)
                            : runDesktop(argc, argv, options, instance, log);
}

} // namespace kavora
