// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/HeadlessGnome.h"

#include "support/TemporaryFolder.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <fstream>
#include <regex>
#include <stdexcept>

namespace kavora::test {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(40);
constexpr auto kObserverTimeout = std::chrono::seconds(15);
const std::string kPortal = "/usr/libexec/xdg-desktop-portal";
const std::string kPortalBackend = "/usr/libexec/xdg-desktop-portal-gnome";

std::string script(const char* name)
{
    return std::string(KAVORA_SOURCE_DIR) + "/tests/support/linux/" + name;
}

} // namespace

HeadlessGnome& HeadlessGnome::instance(Compositor compositor)
{
    static auto* gnome = new HeadlessGnome(compositor);
    return *gnome;
}

HeadlessGnome::HeadlessGnome(Compositor compositor)
    : compositor_(compositor)
{
    // The shell's notifications are a service of its own, in gjs.
    problem_ = compositor == Compositor::Mutter
        ? missingPrograms({ "mutter", "Xwayland", "dbus-daemon", "gdbus",
                            "dbus-update-activation-environment", kPython, kPortal,
                            kPortalBackend })
        : missingPrograms({ "gnome-shell", "gjs", "Xwayland", "dbus-daemon", "gdbus",
                            "dbus-update-activation-environment", kPython });
    if (!problem_.empty())
        return;
    const auto modules = run({ kPython, "-c",
                               "import gi; gi.require_version('Gtk', '3.0'); "
                               "gi.require_version('Atspi', '2.0'); print('ok')" });
    if (modules.output.find("ok") == std::string::npos) {
        problem_ = "not installed: python3-gi with gir1.2-gtk-3.0 and gir1.2-atspi-2.0";
        return;
    }
    try {
        start();
    } catch (const std::exception& error) {
        problem_ = error.what();
    }
}

void HeadlessGnome::stop()
{
    portal_.stop();
    portalBackend_.stop();
    mutter_.stop();
    systemBus_.stop();
}

void HeadlessGnome::start()
{
    auto& session = PrivateSession::instance();
    session.sessionBus();
    // Stopped before the session's buses, which mutter and the portal would otherwise lose first.
    session.onStop([this] { stop(); });
    root_ = session.root() / "gnome";
    std::filesystem::create_directories(root_);
    // The shell says once that screen locking needs its display manager; this session saw it.
    std::filesystem::create_directories(session.dataHome() / "gnome-shell");
    std::ofstream(session.dataHome() / "gnome-shell/lock-warning-shown");

    // A permissive system bus: mutter asks logind and locale1 there and does without them.
    const auto config = root_ / "system.conf";
    std::ofstream(config)
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path="
        << (root_ / "system.sock").string()
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
           "<allow own=\"*\"/><allow send_type=\"method_call\"/><allow send_destination=\"*\"/>"
           "<allow receive_sender=\"*\"/></policy></busconfig>\n";
    systemBus_ = ChildProcess(
        { { "dbus-daemon", "--config-file=" + config.string(), "--nofork", "--print-address=1" },
          {},
          true,
          (root_ / "system-bus.log").string() });
    const auto address = systemBus_.readLine(std::chrono::seconds(10));
    if (!address || address->empty())
        throw std::runtime_error("the private system bus did not start");
    systemBusAddress_ = *address;

    const std::string program = compositor_ == Compositor::Mutter ? "mutter" : "gnome-shell";
    const auto mutterLog = root_ / (program + ".log");
    mutter_ = ChildProcess(
        { { program, "--headless", "--wayland", "--virtual-monitor", "1280x800", "--sm-disable" },
          environment(),
          false,
          mutterLog.string() });
    const std::regex wayland("Using Wayland display name '([^']+)'");
    const std::regex x11("Using public X11 display (:[0-9]+)");
    std::smatch match;
    pollUntil(
        [&] {
            const auto log = readFile(mutterLog);
            if (std::regex_search(log, match, wayland))
                waylandDisplay_ = match[1];
            if (std::regex_search(log, match, x11))
                xDisplay_ = match[1];
            return (!waylandDisplay_.empty() && !xDisplay_.empty()) || !mutter_.running();
        },
        kStartTimeout);
    if (waylandDisplay_.empty() || xDisplay_.empty())
        throw std::runtime_error(program + " did not start; see " + mutterLog.string());
    if (compositor_ == Compositor::Mutter) {
        startPortal();
        return;
    }

    // The shell is up once its notifications are: it starts their service last.
    const bool notifying = pollUntil(
        [] {
            return run({ "gdbus", "call", "--session", "--dest", "org.freedesktop.Notifications",
                         "--object-path", "/org/freedesktop/Notifications", "--method",
                         "org.freedesktop.Notifications.GetServerInformation" })
                       .exitStatus
                == 0;
        },
        kStartTimeout);
    if (!notifying)
        throw std::runtime_error("GNOME Shell shows no notifications; see " + mutterLog.string());
}

void HeadlessGnome::startPortal()
{
    // Services the portal starts through the bus get this desktop's variables too.
    std::vector<std::string> update { "dbus-update-activation-environment" };
    for (const auto& [name, value] : environment())
        update.push_back(name + "=" + value);
    run(update);
    portalBackend_ = ChildProcess(
        { { kPortalBackend, "-r" }, environment(), false, (root_ / "portal-gnome.log").string() });
    portal_ = ChildProcess(
        { { kPortal, "-r" }, environment(), false, (root_ / "portal.log").string() });
    const bool answering = pollUntil(
        [] {
            return run({ "gdbus", "call", "--session", "--dest", "org.freedesktop.portal.Desktop",
                         "--object-path", "/org/freedesktop/portal/desktop", "--method",
                         "org.freedesktop.DBus.Properties.Get",
                         "org.freedesktop.portal.RemoteDesktop", "version" })
                       .output.find("uint32")
                != std::string::npos;
        },
        kStartTimeout);
    if (!answering)
        throw std::runtime_error("the desktop portal does not offer a remote desktop");
}

EnvironmentChanges HeadlessGnome::environment() const
{
    EnvironmentChanges changes { { "XDG_CURRENT_DESKTOP", "GNOME" },
                                 { "XDG_SESSION_TYPE", "wayland" },
                                 { "XDG_DATA_DIRS", "/usr/share" },
                                 { "DBUS_SYSTEM_BUS_ADDRESS", systemBusAddress_ } };
    if (!waylandDisplay_.empty())
        changes.emplace_back("WAYLAND_DISPLAY", waylandDisplay_);
    return changes;
}

std::string HeadlessGnome::xauthority() const
{
    const auto runtime = PrivateSession::instance().root();
    for (const auto& entry : std::filesystem::directory_iterator(runtime)) {
        if (entry.path().filename().string().starts_with(".mutter-Xwaylandauth"))
            return entry.path().string();
    }
    return {};
}

ChildProcess HeadlessGnome::startObserver(Client client, const EnvironmentChanges& extra) const
{
    auto changes = environment();
    changes.insert(changes.end(), extra.begin(), extra.end());
    if (client == Client::Wayland) {
        changes.emplace_back("GDK_BACKEND", "wayland");
    } else {
        changes.emplace_back("GDK_BACKEND", "x11");
        changes.emplace_back("DISPLAY", xDisplay_);
        changes.emplace_back("XAUTHORITY", xauthority());
    }
    ChildProcess observer({ { kPython, "-u", script("InputObserver.py") },
                            changes,
                            true,
                            (root_ / "observer.log").string() });
    if (!nextLine(observer, "READY", kObserverTimeout))
        observer.stop();
    return observer;
}

ChildProcess HeadlessGnome::answerDialog(bool share) const
{
    return ChildProcess({ { kPython, script("PortalDialogAnswer.py"), share ? "share" : "cancel",
                            std::to_string(kDialogTimeout.count()) },
                          environment(),
                          true,
                          (root_ / "answer.log").string() });
}

std::optional<std::string> nextLine(ChildProcess& observer, const std::string& prefix,
                                    std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (observer.started()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        auto line = observer.readLine(left);
        if (!line)
            return std::nullopt;
        if (line->starts_with(prefix))
            return line;
    }
    return std::nullopt;
}

} // namespace kavora::test
