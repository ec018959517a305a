// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/AppScopeList.h"

#include "core/Log.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <system_error>
#include <utility>

#include <sys/inotify.h>
#include <unistd.h>

namespace kavora {

namespace {

namespace fs = std::filesystem;

// Slices nest a few levels at most (app.slice/app-<id>.slice/...); deeper ones are not walked.
constexpr int kMaxSliceDepth = 4;
// Folders created or removed (units, slices) and files written in them (cgroup.procs when a
// process joins, cgroup.events when the last one leaves).
constexpr std::uint32_t kWatchedEvents
    = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_ONLYDIR;

// systemd's unit-name escaping: "\xNN" stands for the byte NN.
std::string unescapedUnitPart(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned byte = 0;
        if (text.substr(i, 2) == "\\x" && i + 4 <= text.size()
            && std::from_chars(text.data() + i + 2, text.data() + i + 4, byte, 16).ptr
                == text.data() + i + 4) {
            result.push_back(static_cast<char>(byte));
            i += 3;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

// The part of a unit name between its prefix and its random part: "<launcher>-<id>" or "<id>".
std::string_view unitBody(std::string_view name)
{
    constexpr std::string_view kService = ".service";
    constexpr std::string_view kScope = ".scope";
    constexpr std::string_view kBusActivated = "dbus-:";
    if (name.starts_with(kBusActivated) && name.ends_with(kService)) {
        // "dbus-:<bus>-<id>@<n>.service": the bus address holds no '-'.
        const std::size_t id = name.find('-', kBusActivated.size());
        const std::size_t instance = name.rfind('@');
        if (id == std::string_view::npos || instance == std::string_view::npos || instance < id)
            return {};
        return name.substr(id + 1, instance - id - 1);
    }
    if (!name.starts_with("app-"))
        return {};
    name.remove_prefix(4);
    if (name.ends_with(kService)) {
        name.remove_suffix(kService.size());
        return name.substr(0, name.find('@'));
    }
    if (name.ends_with(kScope)) {
        name.remove_suffix(kScope.size());
        const std::size_t random = name.rfind('-');
        // A scope always carries its random part.
        if (random == std::string_view::npos || random + 1 == name.size())
            return {};
        return name.substr(0, random);
    }
    return {};
}

std::optional<std::uint32_t> firstProcessOf(const fs::path& unit)
{
    std::uint32_t pid = 0;
    if (std::ifstream(unit / "cgroup.procs") >> pid && pid != 0)
        return pid;
    return std::nullopt;
}

// The group a process runs in, from its "0::<path>" line (the unified hierarchy).
fs::path groupOf(const fs::path& cgroupFile)
{
    std::ifstream in(cgroupFile);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("0::/"))
            return { line.substr(4) };
    }
    return {};
}

// The user manager's app.slice of the user whose session holds this group:
// user.slice/user-<uid>.slice/user@<uid>.service/app.slice, whichever of its groups the program
// itself runs in (an application scope, or a login session's scope).
fs::path appSliceOf(const fs::path& group)
{
    fs::path userSlice;
    for (const auto& part : group) {
        userSlice /= part;
        const std::string name = part.string();
        if (name.starts_with("user-") && name.ends_with(".slice") && name.size() > 11) {
            const std::string uid = name.substr(5, name.size() - 11);
            return userSlice / ("user@" + uid + ".service") / "app.slice";
        }
    }
    return {};
}

std::string describeErrno(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

bool isWithin(const fs::path& group, const fs::path& unit)
{
    const std::string inner = group.string();
    const std::string outer = unit.string();
    return inner.starts_with(outer) && (inner.size() == outer.size() || inner[outer.size()] == '/');
}

} // namespace

AppScopeList::AppScopeList(Scheduler& scheduler, Log& log, const std::filesystem::path& cgroupRoot,
                           const std::filesystem::path& procRoot)
    : scheduler_(scheduler)
    , log_(log)
{
    const fs::path group = groupOf(procRoot / "self" / "cgroup");
    const fs::path slice = appSliceOf(group);
    std::error_code error;
    if (!slice.empty() && fs::is_directory(cgroupRoot / slice, error)) {
        appSlice_ = cgroupRoot / slice;
        ownGroup_ = cgroupRoot / group;
    }
}

AppScopeList::~AppScopeList()
{
    onChange({});
}

bool AppScopeList::available() const
{
    return !appSlice_.empty();
}

std::vector<std::string> AppScopeList::applicationIds(std::string_view unitName)
{
    const std::string_view body = unitBody(unitName);
    std::vector<std::string> ids;
    const auto add = [&ids](std::string_view part) {
        std::string id = unescapedUnitPart(part);
        if (!id.empty() && id.find('/') == std::string::npos)
            ids.push_back(std::move(id));
    };
    const std::size_t dash = body.find('-');
    if (dash != std::string_view::npos && !unitName.starts_with("dbus-"))
        add(body.substr(dash + 1));
    add(body);
    return ids;
}

template <typename Visit>
void AppScopeList::visitUnits(const fs::path& slice, int depth, const Visit& visit) const
{
    std::error_code error;
    for (fs::directory_iterator it(slice, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        if (!it->is_directory(error))
            continue;
        const std::string name = it->path().filename().string();
        if (name.ends_with(".slice")) {
            visit(it->path(), std::vector<std::string> {});
            if (depth < kMaxSliceDepth)
                visitUnits(it->path(), depth + 1, visit);
        } else if (auto ids = applicationIds(name); !ids.empty()) {
            visit(it->path(), std::move(ids));
        }
    }
}

std::vector<ScopedApplication> AppScopeList::applications() const
{
    std::vector<ScopedApplication> applications;
    if (appSlice_.empty())
        return applications;
    visitUnits(appSlice_, 1, [&](const fs::path& unit, std::vector<std::string> ids) {
        if (ids.empty() || isWithin(ownGroup_, unit))
            return;
        if (const auto pid = firstProcessOf(unit))
            applications.push_back({ *pid, std::move(ids) });
    });
    std::sort(applications.begin(), applications.end(),
              [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return applications;
}

void AppScopeList::onChange(std::function<void()> changed)
{
    changed_ = std::move(changed);
    if (!changed_ || appSlice_.empty()) {
        stopWatching();
        return;
    }
    if (inotify_ >= 0 || poll_.isActive())
        return;
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) {
        pollInstead("no inotify: " + describeErrno(errno));
        return;
    }
    if (const auto failure = addWatches()) {
        pollInstead(*failure);
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(inotify_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readEvents(); });
}

void AppScopeList::stopWatching()
{
    notifier_.reset();
    if (inotify_ >= 0)
        ::close(inotify_);
    inotify_ = -1;
    poll_.cancel();
}

// Watches are added before the units are read again, so that nothing that happens after a read
// goes unnoticed; adding a folder that is watched already changes nothing. A folder that is gone
// by now needs no watch; any other failure is returned.
std::optional<std::string> AppScopeList::addWatches()
{
    std::optional<std::string> failure;
    const auto watch = [this, &failure](const fs::path& folder) {
        if (failure || ::inotify_add_watch(inotify_, folder.c_str(), kWatchedEvents) >= 0)
            return;
        const int error = errno;
        if (error != ENOENT)
            failure = folder.string() + ": " + describeErrno(error);
    };
    watch(appSlice_);
    visitUnits(appSlice_, 1, [&watch](const fs::path& folder, const std::vector<std::string>&) {
        watch(folder);
    });
    return failure;
}

// A folder left unwatched would hide its changes for good, so the watches are given up for a poll
// of the same list: a source of its own kind (the processes) would name the applications
// differently and report no launches at all.
void AppScopeList::pollInstead(const std::string& why)
{
    if (notifier_) {
        // Called from the notifier's own signal: it goes once that returns.
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    stopWatching();
    log_.line("Kavora: cannot watch the running applications (" + why
              + "); they are read again every " + std::to_string(kPollInterval.count())
              + " seconds instead");
    polled_ = applications();
    poll_ = scheduler_.every(kPollInterval, [this] {
        auto now = applications();
        if (now == polled_)
            return;
        polled_ = std::move(now);
        if (const auto changed = changed_)
            changed();
    });
}

void AppScopeList::readEvents()
{
    alignas(inotify_event) std::array<char, 4096> buffer {};
    while (::read(inotify_, buffer.data(), buffer.size()) > 0) { }
    if (const auto failure = addWatches())
        pollInstead(*failure);
    // A copy: the callback may replace itself.
    if (const auto changed = changed_)
        changed();
}

} // namespace kavora
