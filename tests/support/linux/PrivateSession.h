// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/XvfbServer.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/WindowManager.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QGuiApplication;

namespace kavora::test {

// A desktop session of the test program's own, so that no test touches the user's display,
// session bus, sound server, settings or installed applications. Created on first use, once per
// process (ctest runs each suite in a process of its own, so its cases share it), and stopped
// after the last test (or by the kernel, should the process die first).
//
// Creating it points HOME, XDG_RUNTIME_DIR (mode 0700), XDG_DATA_HOME, XDG_CONFIG_HOME,
// XDG_CACHE_HOME, XDG_DATA_DIRS and XDG_CONFIG_DIRS into a fresh temporary folder, and unsets
// DISPLAY, WAYLAND_DISPLAY, DBUS_SESSION_BUS_ADDRESS, AT_SPI_BUS_ADDRESS and PULSE_SERVER. GLib
// caches some of these on first use, so a test creates the session before it calls into GLib.
// What cannot start throws std::runtime_error.
class PrivateSession {
public:
    static PrivateSession& instance();

    const std::filesystem::path& root() const { return root_; }
    const std::filesystem::path& home() const { return home_; }
    std::filesystem::path dataHome() const { return home_ / ".local/share"; }
    std::filesystem::path configHome() const { return home_ / ".config"; }

    // Starts Xvfb and exports DISPLAY; returns it.
    const std::string& display();
    // Starts openbox on the display (WindowManager), or stops it.
    void startWindowManager();
    void stopWindowManager() { windowManager_.reset(); }
    // Starts a session bus with the system's service files (so the accessibility bus launcher
    // is activatable) and exports DBUS_SESSION_BUS_ADDRESS; returns the address.
    const std::string& sessionBus();
    // The process's QGuiApplication on this session's display, with the session bus started.
    QGuiApplication& application();

    // Stops everything it started, newest first, and removes the folder. What was started on top
    // of the session (onStop) is stopped first, while the buses still run.
    void stop();
    void onStop(std::function<void()> stopper) { stoppers_.push_back(std::move(stopper)); }

private:
    PrivateSession();

    std::filesystem::path root_;
    std::filesystem::path home_;
    std::string busAddress_;
    std::unique_ptr<XvfbServer> xvfb_;
    std::unique_ptr<WindowManager> windowManager_;
    ChildProcess bus_;
    void* gioBus_ = nullptr; // GIO's shared connection, kept from ending the process at the end
    std::unique_ptr<QGuiApplication> application_;
    std::vector<std::function<void()>> stoppers_;
};

} // namespace kavora::test
