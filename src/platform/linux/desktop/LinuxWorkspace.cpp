// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/LinuxWorkspace.h"

#include "platform/linux/desktop/AppScopeList.h"
#include "platform/linux/desktop/ApplicationIcon.h"
#include "platform/linux/desktop/DesktopApplications.h"
#include "platform/linux/desktop/DesktopEntryIndex.h"
#include "platform/linux/x11/X11ClientList.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <system_error>
#include <utility>

namespace kavora {

namespace {

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::uint64_t handleOf(const X11ClientWindow& window)
{
    return window.pid ? *window.pid : LinuxWorkspace::kWindowHandleBase + window.window;
}

ApplicationBundle bundleOf(const DesktopApplication& entry)
{
    return ApplicationBundle { entry.id, entry.name, entry.location };
}

} // namespace

struct LinuxWorkspace::MatchedWindow {
    X11ClientWindow window;
    const DesktopApplication* entry = nullptr; // into entries_, valid until it is read again
};

LinuxWorkspace::LinuxWorkspace(std::unique_ptr<DesktopApplications> applications,
                               RunningSources sources, Clock clock)
    : applications_(std::move(applications))
    , sources_(std::move(sources))
    , clock_(clock ? std::move(clock) : Clock(steadySeconds))
    , launchObservers_(std::make_shared<Observers>())
    , terminationObservers_(std::make_shared<Observers>())
{
    if (sources_.clients)
        sources_.clients->onChange([this] { runningChanged(); });
    else if (sources_.scopes)
        sources_.scopes->onChange([this] { runningChanged(); });
}

LinuxWorkspace::~LinuxWorkspace()
{
    if (sources_.clients)
        sources_.clients->onChange({});
    if (sources_.scopes)
        sources_.scopes->onChange({});
}

const DesktopEntryIndex& LinuxWorkspace::entries()
{
    const double now = clock_();
    if (!entries_ || (runningChangedSinceRead_ && now - entriesReadAt_ >= kEntriesMaxAge)) {
        entries_ = std::make_unique<DesktopEntryIndex>(applications_->scan());
        entriesReadAt_ = now;
        runningChangedSinceRead_ = false;
    }
    return *entries_;
}

std::vector<LinuxWorkspace::MatchedWindow> LinuxWorkspace::matchedWindows()
{
    std::vector<MatchedWindow> matched;
    const auto windows
        = sources_.clients ? sources_.clients->windows() : std::vector<X11ClientWindow> {};
    if (windows.empty())
        return matched;
    const DesktopEntryIndex& index = entries();
    for (const auto& window : windows)
        matched.push_back(MatchedWindow { window, index.match(window, sources_.processes) });
    return matched;
}

std::vector<RunningApplication> LinuxWorkspace::runningApplications()
{
    if (sources_.clients)
        return windowApplications();
    return sources_.scopes ? unitApplications() : processApplications();
}

std::vector<RunningApplication> LinuxWorkspace::windowApplications()
{
    std::vector<RunningApplication> applications;
    // An application is its entry; an unmatched one is its process, or its window.
    std::vector<std::string> seen;
    for (const auto& [window, entry] : matchedWindows()) {
        const std::uint64_t handle = handleOf(window);
        std::string key = entry ? "id " + entry->id : "handle " + std::to_string(handle);
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            continue;
        seen.push_back(std::move(key));
        RunningApplication application;
        application.handle = handle;
        application.activationPolicy = ActivationPolicy::Regular;
        if (entry) {
            application.bundleIdentifier = entry->id;
            application.localizedName = entry->name;
        } else if (!window.wmClass.empty() || !window.title.empty()) {
            application.localizedName = window.wmClass.empty() ? window.title : window.wmClass;
        }
        applications.push_back(std::move(application));
    }
    return applications;
}

// Regular when the unit's id is a shown entry (an entry of the scan); a unit no entry matches
// still counts for the registered list's running check, under its likeliest id.
std::vector<RunningApplication> LinuxWorkspace::unitApplications()
{
    std::vector<RunningApplication> applications;
    const auto units = sources_.scopes->applications();
    if (units.empty())
        return applications;
    const DesktopEntryIndex& index = entries();
    const auto listed = [&applications](const std::string& id) {
        return std::any_of(
            applications.begin(), applications.end(),
            [&id](const auto& application) { return application.bundleIdentifier == id; });
    };
    for (const auto& unit : units) {
        const auto match = std::find_if(unit.ids.begin(), unit.ids.end(),
                                        [&index](const auto& id) { return index.byId(id); });
        const std::string& id = match == unit.ids.end() ? unit.ids.front() : *match;
        if (listed(id))
            continue;
        RunningApplication application;
        application.handle = unit.pid;
        application.bundleIdentifier = id;
        if (match == unit.ids.end()) {
            application.activationPolicy = ActivationPolicy::Background;
        } else {
            application.activationPolicy = ActivationPolicy::Regular;
            application.localizedName = index.byId(id)->name;
        }
        applications.push_back(std::move(application));
    }
    return applications;
}

// Only processes an installed entry accounts for are listed, each entry once.
std::vector<RunningApplication> LinuxWorkspace::processApplications()
{
    std::vector<RunningApplication> applications;
    const DesktopEntryIndex& index = entries();
    std::vector<std::string> seen;
    for (const auto& process : sources_.processes.processes()) {
        const auto* entry = process.launchedId ? index.byId(*process.launchedId) : nullptr;
        if (entry == nullptr)
            entry = index.byProgram(process.program);
        if (entry == nullptr || std::find(seen.begin(), seen.end(), entry->id) != seen.end())
            continue;
        seen.push_back(entry->id);
        RunningApplication application;
        application.handle = process.pid;
        application.activationPolicy = ActivationPolicy::Regular;
        application.bundleIdentifier = entry->id;
        application.localizedName = entry->name;
        applications.push_back(std::move(application));
    }
    return applications;
}

std::optional<Bytes>
LinuxWorkspace::runningApplicationIconPNG(const RunningApplication& application)
{
    if (application.bundleIdentifier) {
        const auto* entry = entries().byId(*application.bundleIdentifier);
        if (auto icon = entry ? ::kavora::applicationIconPNG(entry->location) : std::nullopt)
            return icon;
    }
    if (!sources_.clients)
        return std::nullopt;
    for (const auto& window : sources_.clients->windows()) {
        if (handleOf(window) != application.handle)
            continue;
        const QImage image = sources_.clients->icon(window.window);
        if (image.isNull())
            return std::nullopt;
        return renderIconPNG(QIcon(QPixmap::fromImage(image)));
    }
    return std::nullopt;
}

std::optional<ApplicationBundle> LinuxWorkspace::locateApplication(const std::string& bundleId)
{
    const auto entry = applications_->locate(bundleId);
    if (!entry)
        return std::nullopt;
    return bundleOf(*entry);
}

std::vector<ApplicationBundle> LinuxWorkspace::scanInstalledApplications()
{
    const auto scanned = applications_->scan();
    entries_ = std::make_unique<DesktopEntryIndex>(scanned);
    entriesReadAt_ = clock_();
    runningChangedSinceRead_ = false;
    std::vector<ApplicationBundle> bundles;
    bundles.reserve(scanned.size());
    for (const auto& entry : scanned)
        bundles.push_back(bundleOf(entry));
    return bundles;
}

std::optional<Bytes> LinuxWorkspace::applicationIconPNG(const std::string& location)
{
    return ::kavora::applicationIconPNG(location);
}

bool LinuxWorkspace::activateRunningApplication(const std::string& bundleId)
{
    for (const auto& [window, entry] : matchedWindows()) {
        if (entry && entry->id == bundleId)
            return sources_.clients->activate(window.window);
    }
    return false;
}

Subscription LinuxWorkspace::observeLaunches(ApplicationObserver observer)
{
    return observe(launchObservers_, std::move(observer));
}

Subscription LinuxWorkspace::observeTerminations(ApplicationObserver observer)
{
    return observe(terminationObservers_, std::move(observer));
}

Subscription LinuxWorkspace::observe(const std::shared_ptr<Observers>& observers,
                                     ApplicationObserver observer)
{
    if (!observedIds_)
        observedIds_ = runningIds();
    const int key = nextObserverKey_++;
    (*observers)[key] = std::move(observer);
    std::weak_ptr<Observers> weak = observers;
    return Subscription([weak, key] {
        if (auto list = weak.lock())
            list->erase(key);
    });
}

// The ids of the running applications, each once, in the order of their first window.
std::vector<std::string> LinuxWorkspace::runningIds()
{
    std::vector<std::string> ids;
    for (const auto& application : runningApplications()) {
        if (application.bundleIdentifier)
            ids.push_back(*application.bundleIdentifier);
    }
    return ids;
}

void LinuxWorkspace::runningChanged()
{
    runningChangedSinceRead_ = true;
    if (launchObservers_->empty() && terminationObservers_->empty()) {
        // Nobody to tell: the next observer starts from what runs then.
        observedIds_.reset();
        return;
    }
    const std::vector<std::string> before = observedIds_.value_or(std::vector<std::string> {});
    std::vector<std::string> now = runningIds();
    observedIds_ = now;

    const auto absentFrom = [](const std::vector<std::string>& ids) {
        return [&ids](const std::string& id) {
            return std::find(ids.begin(), ids.end(), id) == ids.end();
        };
    };
    std::vector<std::string> launched;
    std::copy_if(now.begin(), now.end(), std::back_inserter(launched), absentFrom(before));
    std::vector<std::string> terminated;
    std::copy_if(before.begin(), before.end(), std::back_inserter(terminated), absentFrom(now));

    // Copies: an observer may end its own or another's subscription while it is called.
    const Observers launchObservers = *launchObservers_;
    const Observers terminationObservers = *terminationObservers_;
    for (const auto& id : launched) {
        for (const auto& [key, observer] : launchObservers) {
            if (launchObservers_->contains(key))
                observer(id);
        }
    }
    for (const auto& id : terminated) {
        for (const auto& [key, observer] : terminationObservers) {
            if (terminationObservers_->contains(key))
                observer(id);
        }
    }
}

} // namespace kavora
