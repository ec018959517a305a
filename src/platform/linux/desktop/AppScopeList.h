// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Scheduler.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;

namespace kavora {

class Log;

// One application unit of the user's service manager that has processes.
struct ScopedApplication {
    // The unit's first process.
    std::uint32_t pid = 0;
    // The desktop-file ids the unit's name may stand for, the likeliest first (see
    // AppScopeList::applicationIds).
    std::vector<std::string> ids;
    friend bool operator==(const ScopedApplication&, const ScopedApplication&) = default;
};

// The applications a systemd-managed session started: desktops (GNOME, Plasma and others) and
// D-Bus activation run each application in a transient scope or service of the user manager,
// named after its desktop-file id, in the control-group tree under the manager's app.slice. This
// is how running applications are told where no window list can be read (Wayland). Main thread
// only: the change callback comes from the Qt event loop, or from the scheduler while polling.
class AppScopeList {
public:
    // How often the list is read again when the tree cannot be watched.
    static constexpr std::chrono::seconds kPollInterval { 2 };

    // cgroupRoot is where the control-group tree is mounted and procRoot the process file
    // system, whose self/cgroup names the group this program runs in; tests pass folders of
    // their own. The scheduler and the log must outlive the list.
    AppScopeList(Scheduler& scheduler, Log& log,
                 const std::filesystem::path& cgroupRoot = "/sys/fs/cgroup",
                 const std::filesystem::path& procRoot = "/proc");
    ~AppScopeList();
    AppScopeList(const AppScopeList&) = delete;
    AppScopeList& operator=(const AppScopeList&) = delete;

    // True when this program runs in a user's session with a service manager whose app.slice
    // exists.
    bool available() const;
    // The application units that have a process, by ascending first process id, slices entered
    // at any depth. The unit this program runs in is left out.
    std::vector<ScopedApplication> applications() const;
    // Called on the main thread when an application unit appears, vanishes or gains or loses
    // processes, watched through inotify (nothing wakes while nothing changes). When a folder
    // cannot be watched (the user's inotify watches are all taken) that is logged, and the list is
    // read every kPollInterval instead and reported when it differs: the same list, a little
    // later. Replaces the previous callback; an empty one stops watching.
    void onChange(std::function<void()> changed);

    // The desktop-file ids a unit name stands for, the likeliest first; none for a unit that is
    // no application. Names follow "app[-<launcher>]-<id>[@<random>].service",
    // "app[-<launcher>]-<id>-<random>.scope" (a '-' inside the id escaped as "\x2d") and D-Bus
    // activation's "dbus-:<bus>-<id>@<n>.service". Where the id's '-' were not escaped, the part
    // before the first '-' may belong to the id, so the whole is the second candidate.
    static std::vector<std::string> applicationIds(std::string_view unitName);

private:
    template <typename Visit>
    void visitUnits(const std::filesystem::path& slice, int depth, const Visit& visit) const;
    void readEvents();
    std::optional<std::string> addWatches();
    void pollInstead(const std::string& why);
    void stopWatching();

    Scheduler& scheduler_;
    Log& log_;
    std::filesystem::path appSlice_;
    // The group this program runs in, left out of the list.
    std::filesystem::path ownGroup_;
    int inotify_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> changed_;
    // While polling: the timer and the list it last read.
    TimerHandle poll_;
    std::vector<ScopedApplication> polled_;
};

} // namespace kavora
