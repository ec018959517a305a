// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/AppCatalogue.h"

#include "core/Text.h"
#include "platform/LaunchServices.h"
#include "platform/Workspace.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <tuple>
#include <utility>

namespace kavora {
namespace {

struct FreeDeleter {
    void operator()(utf8proc_uint8_t* p) const { std::free(p); }
};

std::optional<std::string> mapped(const std::string& text, int options)
{
    utf8proc_uint8_t* raw = nullptr;
    const auto length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                     static_cast<utf8proc_ssize_t>(text.size()), &raw,
                                     static_cast<utf8proc_option_t>(options));
    const std::unique_ptr<utf8proc_uint8_t, FreeDeleter> owner(raw);
    if (length < 0)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(raw), static_cast<std::size_t>(length));
}

// Orders names the way a person reads a list: case is ignored, and so are accents unless they
// are all that differs ("eclair" < "Éclair" < "Eclairs"). Text that is not valid UTF-8 is
// compared byte for byte with ASCII letters folded.
struct NameKey {
    std::string letters; // folded case, accents removed
    std::string folded; // folded case

    explicit NameKey(const std::string& name)
    {
        constexpr int kFold = UTF8PROC_STABLE | UTF8PROC_DECOMPOSE | UTF8PROC_CASEFOLD;
        auto plain = mapped(name, kFold | UTF8PROC_STRIPMARK);
        auto withMarks = mapped(name, kFold);
        if (plain && withMarks) {
            letters = std::move(*plain);
            folded = std::move(*withMarks);
            return;
        }
        folded = name;
        std::transform(folded.begin(), folded.end(), folded.begin(), asciiLowercase);
        letters = folded;
    }
    bool operator<(const NameKey& other) const
    {
        return std::tie(letters, folded) < std::tie(other.letters, other.folded);
    }
};

// The declared name, else the file name of the location without its extension.
std::string displayName(const ApplicationBundle& bundle)
{
    if (bundle.name)
        return *bundle.name;
    std::string location = bundle.location;
    while (location.size() > 1 && location.back() == '/')
        location.pop_back();
    return std::filesystem::path(location).stem().string();
}

bool contains(const std::vector<std::string>& ids, const std::string& id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

std::shared_ptr<AppCatalogue> AppCatalogue::create(const Services& services, Hooks hooks,
                                                   std::optional<InstalledApp> pinnedApp)
{
    return std::make_shared<AppCatalogue>(Passkey {}, services, std::move(hooks),
                                          std::move(pinnedApp));
}

AppCatalogue::AppCatalogue(Passkey, const Services& services, Hooks hooks,
                           std::optional<InstalledApp> pinnedApp)
    : scheduler_(services.scheduler)
    , workspace_(services.workspace)
    , launcher_(services.launcher)
    , hooks_(std::move(hooks))
    , pinnedApp_(std::move(pinnedApp))
{
}

AppCatalogue::~AppCatalogue()
{
    if (pushDebounceTimer_)
        pushDebounceTimer_->cancel();
}

void AppCatalogue::restoreRegisteredBundleIds(std::vector<std::string> bundleIds)
{
    registeredBundleIds_ = std::move(bundleIds);
}

std::vector<AppInfo> AppCatalogue::runningAppList()
{
    std::vector<AppInfo> apps;
    for (const auto& application : workspace_.runningApplications()) {
        if (application.activationPolicy != ActivationPolicy::Regular)
            continue;
        if (!application.bundleIdentifier || !application.localizedName)
            continue;
        // Controllers rely on isRunning being false throughout this list.
        apps.push_back(AppInfo { *application.bundleIdentifier, *application.localizedName,
                                 workspace_.runningApplicationIconPNG(application), false });
    }
    return apps;
}

std::vector<AppInfo> AppCatalogue::registeredAppInfos()
{
    std::set<std::string> running;
    for (const auto& application : workspace_.runningApplications()) {
        if (application.bundleIdentifier)
            running.insert(*application.bundleIdentifier);
    }
    std::vector<AppInfo> apps;
    for (const auto& id : *registeredBundleIds_) {
        // An application that cannot be located stays registered; it is only left out here.
        const auto bundle = workspace_.locateApplication(id);
        if (!bundle)
            continue;
        apps.push_back(AppInfo { id, displayName(*bundle), appIcon(id, bundle->location),
                                 running.contains(id) });
    }
    return apps;
}

std::optional<Bytes> AppCatalogue::appIcon(const std::string& id, const std::string& location)
{
    if (const auto cached = iconCache_.find(id); cached != iconCache_.end())
        return cached->second;
    auto icon = workspace_.applicationIconPNG(location);
    if (icon)
        iconCache_.emplace(id, *icon);
    return icon;
}

void AppCatalogue::openApp(const std::string& bundleId)
{
    launcher_.openApplication(bundleId);
}

std::vector<InstalledApp> AppCatalogue::installedApps()
{
    std::vector<InstalledApp> apps;
    std::set<std::string> seen;
    if (pinnedApp_ && workspace_.locateApplication(pinnedApp_->bundleId)) {
        apps.push_back(*pinnedApp_);
        seen.insert(pinnedApp_->bundleId);
    }
    for (const auto& bundle : workspace_.scanInstalledApplications()) {
        if (bundle.bundleIdentifier.empty() || !seen.insert(bundle.bundleIdentifier).second)
            continue;
        apps.push_back(InstalledApp { bundle.bundleIdentifier, displayName(bundle) });
    }

    std::vector<std::pair<NameKey, InstalledApp>> keyed;
    keyed.reserve(apps.size());
    for (auto& app : apps) {
        NameKey key(app.name);
        keyed.emplace_back(std::move(key), std::move(app));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    apps.clear();
    for (auto& entry : keyed)
        apps.push_back(std::move(entry.second));
    return apps;
}

void AppCatalogue::addRegisteredApp(const std::string& bundleId)
{
    auto ids = *registeredBundleIds_;
    if (contains(ids, bundleId) || ids.size() >= kMaxRegisteredApps)
        return;
    ids.push_back(bundleId);
    registeredBundleIds_ = std::move(ids);
    scheduleRegisteredAppsPush();
}

void AppCatalogue::removeRegisteredApp(const std::string& bundleId)
{
    // Stored and pushed even when the id was not registered.
    auto ids = *registeredBundleIds_;
    std::erase(ids, bundleId);
    registeredBundleIds_ = std::move(ids);
    scheduleRegisteredAppsPush();
}

void AppCatalogue::moveRegisteredApp(const std::string& from, const std::string& to)
{
    if (from == to)
        return;
    auto ids = *registeredBundleIds_;
    const auto i = std::find(ids.begin(), ids.end(), from);
    const auto j = std::find(ids.begin(), ids.end(), to);
    if (i == ids.end() || j == ids.end())
        return;
    // Rotating the range between the two places leaves `from` at the index `to` had.
    if (i < j)
        std::rotate(i, i + 1, j + 1);
    else
        std::rotate(j, i, i + 1);
    registeredBundleIds_ = std::move(ids);
    scheduleRegisteredAppsPush();
}

void AppCatalogue::scheduleRegisteredAppsPush()
{
    if (pushDebounceTimer_)
        pushDebounceTimer_->cancel();
    std::weak_ptr<AppCatalogue> weak = weak_from_this();
    pushDebounceTimer_ = scheduler_.after(kRegisteredAppsPushDelay, [weak] {
        if (auto self = weak.lock())
            self->pushRegisteredApps();
    });
}

void AppCatalogue::pushRegisteredApps()
{
    if (hooks_.isConnected && hooks_.isConnected() && hooks_.sendRegisteredAppList)
        hooks_.sendRegisteredAppList(registeredAppInfos());
}

void AppCatalogue::observeWorkspace()
{
    if (!workspaceObservers_.empty())
        return;
    std::weak_ptr<AppCatalogue> weak = weak_from_this();
    auto handler = [weak](const std::string& bundleId) {
        if (auto self = weak.lock())
            self->registeredAppStartedOrQuit(bundleId);
    };
    workspaceObservers_.push_back(workspace_.observeLaunches(handler));
    workspaceObservers_.push_back(workspace_.observeTerminations(handler));
}

void AppCatalogue::registeredAppStartedOrQuit(const std::string& bundleId)
{
    if (contains(*registeredBundleIds_, bundleId))
        scheduleRegisteredAppsPush();
}

} // namespace kavora
