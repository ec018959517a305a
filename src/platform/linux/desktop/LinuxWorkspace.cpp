#include "platform/linux/desktop/LinuxWorkspace.h"

#include "platform/linux/desktop/ApplicationIcon.h"
#include "platform/linux/desktop/DesktopApplications.h"
#include "platform/linux/x11/X11ClientList.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace kavora {

namespace {

std::string folded(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::string withoutDesktopSuffix(std::string id)
{
    constexpr std::string_view suffix = ".desktop";
    if (id.ends_with(suffix))
        id.erase(id.size() - suffix.size());
    return id;
}

// The file names a process runs under: its executable, and the kernel's (possibly truncated)
// command name for when the executable cannot be read.
struct ProcessProgram {
    std::string executable;
    std::string command;

    bool runs(const std::string& program) const
    {
        // The kernel keeps the first 15 bytes of the command name.
        constexpr std::size_t kCommandLength = 15;
        return !program.empty()
            && (program == executable
                || (!command.empty() && program.substr(0, kCommandLength) == command));
    }
};

ProcessProgram programOf(std::uint32_t pid)
{
    const std::filesystem::path process = std::filesystem::path("/proc") / std::to_string(pid);
    ProcessProgram program;
    std::error_code error;
    const auto executable = std::filesystem::read_symlink(process / "exe", error);
    if (!error)
        program.executable = executable.filename().string();
    std::ifstream(process / "comm") >> program.command;
    return program;
}

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

// The installed entries by every key a window is matched on; the first entry of the scan wins
// each key, as the first folder wins an id.
class LinuxWorkspace::EntryIndex {
public:
    explicit EntryIndex(const std::vector<DesktopApplication>& scanned)
    {
        for (const auto& entry : scanned) {
            if (byId_.contains(entry.id))
                continue;
            entries_.push_back(entry);
            const std::size_t index = entries_.size() - 1;
            byId_.emplace(entry.id, index);
            if (entry.startupWMClass)
                byStartupWMClass_.emplace(*entry.startupWMClass, index);
            byFoldedId_.emplace(folded(entry.id), index);
            // An id without a dot is its own last part (npos + 1 is 0).
            byFoldedLastPart_.emplace(folded(entry.id.substr(entry.id.rfind('.') + 1)), index);
        }
    }

    const DesktopApplication* byId(const std::string& id) const { return find(byId_, id); }

    const DesktopApplication* match(const X11ClientWindow& window) const
    {
        for (const auto& declared : { window.gtkApplicationId, window.kdeDesktopFile }) {
            if (!declared)
                continue;
            if (const auto* entry = byId(withoutDesktopSuffix(*declared)))
                return entry;
        }
        for (const auto* name : { &window.wmClass, &window.wmInstance }) {
            if (const auto* entry = find(byStartupWMClass_, *name))
                return entry;
        }
        for (const auto* name : { &window.wmClass, &window.wmInstance }) {
            const std::string key = folded(*name);
            if (const auto* entry = find(byFoldedId_, key))
                return entry;
            if (const auto* entry = find(byFoldedLastPart_, key))
                return entry;
        }
        if (window.pid) {
            const ProcessProgram program = programOf(*window.pid);
            for (const auto& entry : entries_) {
                if (program.runs(entry.executable))
                    return &entry;
            }
        }
        return nullptr;
    }

private:
    const DesktopApplication* find(const std::map<std::string, std::size_t>& map,
                                   const std::string& key) const
    {
        if (key.empty())
            return nullptr;
        const auto found = map.find(key);
        return found == map.end() ? nullptr : &entries_[found->second];
    }

    std::vector<DesktopApplication> entries_;
    std::map<std::string, std::size_t> byId_;
    std::map<std::string, std::size_t> byStartupWMClass_;
    std::map<std::string, std::size_t> byFoldedId_;
    std::map<std::string, std::size_t> byFoldedLastPart_;
};

struct LinuxWorkspace::MatchedWindow {
    X11ClientWindow window;
    const DesktopApplication* entry = nullptr; // into entries_, valid until it is read again
};

LinuxWorkspace::LinuxWorkspace(std::unique_ptr<DesktopApplications> applications,
                               std::unique_ptr<X11ClientList> clients, Clock clock)
    : applications_(std::move(applications))
    , clients_(std::move(clients))
    , clock_(clock ? std::move(clock) : Clock(steadySeconds))
    , launchObservers_(std::make_shared<Observers>())
    , terminationObservers_(std::make_shared<Observers>())
{
    clients_->onChange([this] { clientListChanged(); });
}

LinuxWorkspace::~LinuxWorkspace()
{
    clients_->onChange({});
}

const LinuxWorkspace::EntryIndex& LinuxWorkspace::entries()
{
    const double now = clock_();
    if (!entries_ || (windowsChangedSinceRead_ && now - entriesReadAt_ >= kEntriesMaxAge)) {
        entries_ = std::make_unique<EntryIndex>(applications_->scan());
        entriesReadAt_ = now;
        windowsChangedSinceRead_ = false;
    }
    return *entries_;
}

std::vector<LinuxWorkspace::MatchedWindow> LinuxWorkspace::matchedWindows()
{
    std::vector<MatchedWindow> matched;
    const auto windows = clients_->windows();
    if (windows.empty())
        return matched;
    const EntryIndex& index = entries();
    for (const auto& window : windows)
        matched.push_back(MatchedWindow { window, index.match(window) });
    return matched;
}

std::vector<RunningApplication> LinuxWorkspace::runningApplications()
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

std::optional<Bytes>
LinuxWorkspace::runningApplicationIconPNG(const RunningApplication& application)
{
    if (application.bundleIdentifier) {
        const auto* entry = entries().byId(*application.bundleIdentifier);
        if (auto icon = entry ? ::kavora::applicationIconPNG(entry->location) : std::nullopt)
            return icon;
    }
    for (const auto& window : clients_->windows()) {
        if (handleOf(window) != application.handle)
            continue;
        const QImage image = clients_->icon(window.window);
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
    entries_ = std::make_unique<EntryIndex>(scanned);
    entriesReadAt_ = clock_();
    windowsChangedSinceRead_ = false;
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
            return clients_->activate(window.window);
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

void LinuxWorkspace::clientListChanged()
{
    windowsChangedSinceRead_ = true;
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
