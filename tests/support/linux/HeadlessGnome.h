// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/linux/ChildProcess.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace kavora::test {

// A GNOME desktop of the test program's own, without a screen: mutter as a headless Wayland
// compositor with one virtual monitor (and Xwayland), a private permissive system bus, and the
// desktop portal with its GNOME backend on the PrivateSession's session bus. Or, for what the
// user sees, GNOME Shell itself the same way (its top bar, no tray, its notifications), without
// the portal. The portal's
// remote-desktop dialog is answered through the accessibility bus, as a person would
// (PortalDialogAnswer.py), and what reaches applications is read from a GTK client
// (InputObserver.py) on Wayland or on Xwayland.
//
// Started on first use, once per process (start-up takes seconds: keep its cases in one suite),
// and stopped with the PrivateSession. Where a package is missing, problem() says which and the
// tests skip.
class HeadlessGnome {
public:
    enum class Compositor { Mutter, Shell };
    // The first call decides which compositor runs.
    static HeadlessGnome& instance(Compositor compositor = Compositor::Mutter);
    // Stops what it started; the PrivateSession does it before stopping its buses.
    void stop();

    // Empty when the desktop runs; otherwise why not, as a skip reason.
    const std::string& problem() const { return problem_; }
    // WAYLAND_DISPLAY, DISPLAY and XAUTHORITY of the desktop's clients.
    const std::string& waylandDisplay() const { return waylandDisplay_; }
    const std::string& xDisplay() const { return xDisplay_; }
    std::string xauthority() const;
    pid_t compositorPid() const { return mutter_.pid(); }

    enum class Client { Wayland, Xwayland };
    // Starts the observer, fullscreen and focused; not started() when it did not show in time.
    ChildProcess startObserver(Client client, const EnvironmentChanges& extra = {}) const;
    // Answers the next remote-desktop dialog: shares (true) or cancels (false). It looks for the
    // dialog this long, so a test waiting for the answer waits at least as long.
    static constexpr std::chrono::seconds kDialogTimeout { 30 };
    ChildProcess answerDialog(bool share) const;
    // The environment of a program running in this desktop's session.
    EnvironmentChanges environment() const;

private:
    explicit HeadlessGnome(Compositor compositor);
    void start();
    void startPortal();

    Compositor compositor_;
    std::filesystem::path root_;
    std::string problem_;
    std::string waylandDisplay_;
    std::string xDisplay_;
    ChildProcess systemBus_;
    std::string systemBusAddress_;
    ChildProcess mutter_;
    ChildProcess portalBackend_;
    ChildProcess portal_;
};

// The next line of the observer that starts with the prefix, skipping the others; nothing at the
// timeout.
std::optional<std::string> nextLine(ChildProcess& observer, const std::string& prefix,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace kavora::test
