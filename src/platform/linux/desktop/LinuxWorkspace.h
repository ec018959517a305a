#pragma once

#include "platform/Workspace.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

class DesktopApplications;
class X11ClientList;
struct DesktopApplication;
struct X11ClientWindow;

// The workspace of an X11 freedesktop desktop: installed applications are desktop entries
// (DesktopApplications), running ones are the window manager's application windows
// (X11ClientList) told apart by the desktop entry they belong to, and launches and terminations
// are the ids that appear in or vanish from that list. Main thread only.
//
// A window is matched to a desktop entry by the first of: the id GTK or KDE declares on it, its
// WM_CLASS against an entry's StartupWMClass, its WM_CLASS (class, then instance) against an id
// or the id's last dot-separated part ignoring case, and its process's program against the
// program an entry starts. Only ids of installed entries count; windows that match none are
// still listed, without an id.
class LinuxWorkspace final : public Workspace {
public:
    // Seconds on a monotonic clock.
    using Clock = std::function<double()>;

    // How old the entries used for matching may grow before a change of the window list reads
    // the application folders again: windows come and go far more often than applications are
    // installed.
    static constexpr double kEntriesMaxAge = 5.0;
    // The handles of applications whose windows declare no process id are this plus the window.
    static constexpr std::uint64_t kWindowHandleBase = std::uint64_t { 1 } << 32;

    LinuxWorkspace(std::unique_ptr<DesktopApplications> applications,
                   std::unique_ptr<X11ClientList> clients, Clock clock = {});
    ~LinuxWorkspace() override;
    LinuxWorkspace(const LinuxWorkspace&) = delete;
    LinuxWorkspace& operator=(const LinuxWorkspace&) = delete;

    // One entry per application, in the order of its first window in the window manager's list;
    // the handle is the process id of that window.
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
    // none.
    bool activateRunningApplication(const std::string& bundleId);

private:
    class EntryIndex;
    struct MatchedWindow;
    using Observers = std::map<int, ApplicationObserver>;

    std::vector<MatchedWindow> matchedWindows();
    const EntryIndex& entries();
    void clientListChanged();
    std::vector<std::string> runningIds();
    Subscription observe(const std::shared_ptr<Observers>& observers, ApplicationObserver observer);

    std::unique_ptr<DesktopApplications> applications_;
    std::unique_ptr<X11ClientList> clients_;
    Clock clock_;
    std::unique_ptr<EntryIndex> entries_;
    double entriesReadAt_ = 0;
    bool windowsChangedSinceRead_ = false;
    // The ids running at the last change of the window list, while anyone observes.
    std::optional<std::vector<std::string>> observedIds_;
    std::shared_ptr<Observers> launchObservers_;
    std::shared_ptr<Observers> terminationObservers_;
    int nextObserverKey_ = 1;
};

} // namespace kavora
