// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Workspace.h"
#include "platform/linux/desktop/RunningSource.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

class DesktopApplications;
class DesktopEntryIndex;
struct DesktopApplication;
struct X11ClientWindow;

// The workspace of a freedesktop desktop: installed applications are desktop entries
// (DesktopApplications), and running ones come from the session's source (RunningSource): on
// X11 the window manager's application windows (X11ClientList) told apart by the desktop entry
// they belong to; without a window list the user manager's application units (AppScopeList),
// else the processes (ProcessTable). Launches and terminations are the ids that appear in or
// vanish from the source's list; the process source reports none. Main thread only.
//
// A window is matched to a desktop entry as DesktopEntryIndex::match says; a unit by the first
// of its candidate ids that is an installed entry; a process by the entry GIO launched it from,
// else by its program. Only ids of installed entries shown in menus count as regular; windows
// that match none are still listed, without an id, and units that match none as background
// applications under their likeliest id.
class LinuxWorkspace final : public Workspace {
public:
    // Seconds on a monotonic clock.
    using Clock = std::function<double()>;

    // How old the entries used for matching may grow before a change of the running list reads
    // the application folders again: applications come and go far more often than they are
    // installed.
    static constexpr double kEntriesMaxAge = 5.0;
    // The handles of applications whose windows declare no process id are this plus the window.
    static constexpr std::uint64_t kWindowHandleBase = std::uint64_t { 1 } << 32;

    LinuxWorkspace(std::unique_ptr<DesktopApplications> applications, RunningSources sources,
                   Clock clock = {});
    ~LinuxWorkspace() override;
    LinuxWorkspace(const LinuxWorkspace&) = delete;
    LinuxWorkspace& operator=(const LinuxWorkspace&) = delete;

    // One entry per application: in the order of its first window in the window manager's
    // list, the handle being the process id of that window; else by ascending process id, the
    // handle being the application's first process.
    std::vector<RunningApplication> runningApplications() override;
    // The icon of the matched desktop entry, else the picture its first window carries.
    std::optional<Bytes> runningApplicationIconPNG(const RunningApplication& application) override;

    std::optional<ApplicationBundle> locateApplication(const std::string& bundleId) override;
    // Also refreshes the entries used for matching.
    std::vector<ApplicationBundle> scanInstalledApplications() override;
    std::optional<Bytes> applicationIconPNG(const std::string& location) override;

    [[nodiscard]] Subscription observeLaunches(ApplicationObserver observer) override;
    [[nodiscard]] Subscription observeTerminations(ApplicationObserver observer) override;

    // Brings the first window of the application with this id to the front; false when it has
    // none, as always without a window list: the application is then launched again, and a
    // single-instance one comes forward itself.
    bool activateRunningApplication(const std::string& bundleId);

private:
    struct MatchedWindow;
    using Observers = std::map<int, ApplicationObserver>;

    std::vector<MatchedWindow> matchedWindows();
    const DesktopEntryIndex& entries();
    std::vector<RunningApplication> windowApplications();
    std::vector<RunningApplication> unitApplications();
    std::vector<RunningApplication> processApplications();
    void runningChanged();
    std::vector<std::string> runningIds();
    Subscription observe(const std::shared_ptr<Observers>& observers, ApplicationObserver observer);

    std::unique_ptr<DesktopApplications> applications_;
    RunningSources sources_;
    Clock clock_;
    std::unique_ptr<DesktopEntryIndex> entries_;
    double entriesReadAt_ = 0;
    bool runningChangedSinceRead_ = false;
    // The ids running at the last change of the source's list, while anyone observes.
    std::optional<std::vector<std::string>> observedIds_;
    std::shared_ptr<Observers> launchObservers_;
    std::shared_ptr<Observers> terminationObservers_;
    int nextObserverKey_ = 1;
};

} // namespace kavora
