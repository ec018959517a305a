// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/PrivateSession.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <gio/gio.h>

namespace kavora::test {

namespace {

constexpr std::chrono::milliseconds kBusTimeout { 15000 };

// Stops the session after the last test, before the program exits.
class SessionTeardown final : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (created)
            PrivateSession::instance().stop();
    }
    static inline bool created = false;
};

[[maybe_unused]] ::testing::Environment* const kTeardown
    = ::testing::AddGlobalTestEnvironment(new SessionTeardown);

void exportVariable(const char* name, const std::string& value)
{
    setenv(name, value.c_str(), 1);
}

// The accessibility bus launcher is started by the bus on demand, not by us: ask the bus for
// its process to stop it before the bus goes.
void stopActivatedService(GDBusConnection* bus, const char* name)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "GetConnectionUnixProcessID", g_variant_new("(s)", name), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, 1000, nullptr, &error);
    if (!reply) {
        g_clear_error(&error);
        return;
    }
    guint32 pid = 0;
    g_variant_get(reply, "(u)", &pid);
    g_variant_unref(reply);
    if (pid > 0)
        kill(static_cast<pid_t>(pid), SIGTERM);
}

} // namespace

PrivateSession& PrivateSession::instance()
{
    // Never destroyed: stop() runs from the test environment's teardown, while Qt still exists.
    static PrivateSession* session = new PrivateSession;
    return *session;
}

PrivateSession::PrivateSession()
{
    std::string pattern
        = (std::filesystem::temp_directory_path() / "kavora-session-XXXXXX").string();
    if (!mkdtemp(pattern.data())) // mode 0700, as XDG_RUNTIME_DIR must be
        throw std::runtime_error("cannot create the session folder");
    root_ = pattern;
    home_ = root_ / "home";
    std::filesystem::create_directories(dataHome() / "applications");
    std::filesystem::create_directories(configHome());
    std::filesystem::create_directories(root_ / "system-data");
    std::filesystem::create_directories(root_ / "system-config");

    exportVariable("HOME", home_.string());
    exportVariable("XDG_RUNTIME_DIR", root_.string());
    exportVariable("XDG_DATA_HOME", dataHome().string());
    exportVariable("XDG_CONFIG_HOME", configHome().string());
    exportVariable("XDG_CACHE_HOME", (home_ / ".cache").string());
    exportVariable("XDG_DATA_DIRS", (root_ / "system-data").string());
    exportVariable("XDG_CONFIG_DIRS", (root_ / "system-config").string());
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                              "AT_SPI_BUS_ADDRESS", "PULSE_SERVER" })
        unsetenv(name);
    SessionTeardown::created = true;
}

const std::string& PrivateSession::display()
{
    if (!xvfb_) {
        xvfb_ = std::make_unique<XvfbServer>();
        if (!xvfb_->running())
            throw std::runtime_error("Xvfb did not start");
        exportVariable("DISPLAY", xvfb_->displayName());
    }
    return xvfb_->displayName();
}

void PrivateSession::startWindowManager()
{
    if (windowManager_)
        return;
    const auto log = (root_ / "openbox.log").string();
    windowManager_ = std::make_unique<WindowManager>(display(), log);
    if (!windowManager_->managing())
        throw std::runtime_error("openbox did not start; see " + log);
}

const std::string& PrivateSession::sessionBus()
{
    if (!busAddress_.empty())
        return busAddress_;
    // The system's data folders, for the service files of activatable services.
    bus_ = ChildProcess({ { "dbus-daemon", "--session", "--nofork", "--print-address=1" },
                          { { "XDG_DATA_DIRS", "/usr/share" } },
                          true,
                          (root_ / "dbus.log").string() });
    const auto address = bus_.readLine(kBusTimeout);
    if (!address || address->empty())
        throw std::runtime_error("dbus-daemon did not start");
    busAddress_ = *address;
    exportVariable("DBUS_SESSION_BUS_ADDRESS", busAddress_);

    // GIO's shared connection ends the process when its bus closes; this bus closes at the end.
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!connection) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot connect to the test bus: " + message);
    }
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    gioBus_ = connection;
    return busAddress_;
}

QGuiApplication& PrivateSession::application()
{
    if (application_)
        return *application_;
    display();
    sessionBus();
    if (QCoreApplication::instance())
        throw std::runtime_error("another Qt application object exists in this test program");
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    static int argc = 1;
    static char name[] = "kavora-desktop-tests";
    static char* argv[] = { name, nullptr };
    application_ = std::make_unique<QGuiApplication>(argc, argv);
    return *application_;
}

void PrivateSession::stop()
{
    for (auto stopper = stoppers_.rbegin(); stopper != stoppers_.rend(); ++stopper)
        (*stopper)();
    stoppers_.clear();
    if (gioBus_)
        stopActivatedService(static_cast<GDBusConnection*>(gioBus_), "org.a11y.Bus");
    application_.reset();
    windowManager_.reset();
    bus_.stop();
    xvfb_.reset();
    if (gioBus_)
        g_object_unref(gioBus_);
    gioBus_ = nullptr;
    busAddress_.clear();
    // Services the bus started may still be on their way out, writing sockets and settings.
    for (int attempt = 0; attempt < 20 && std::filesystem::exists(root_); ++attempt) {
        std::error_code error;
        std::filesystem::remove_all(root_, error);
        if (std::filesystem::exists(root_))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace kavora::test
