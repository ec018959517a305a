// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Workspace.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kavora::test {

// A desktop whose applications the test writes down. Every icon rendered is recorded in
// `iconRequests` ("running <handle>" or "file <location>"); launches and terminations are
// announced with launch() and terminate() to whoever observes at that moment.
class FakeWorkspace final : public Workspace {
public:
    std::vector<RunningApplication> running;
    // Icons of running applications by handle; a handle missing here has no icon.
    std::map<std::uint64_t, Bytes> runningIcons;
    // Installed applications that can be located, by id.
    std::map<std::string, ApplicationBundle> installed;
    // What a scan of the application folders finds, in scan order.
    std::vector<ApplicationBundle> scanned;
    // Icons of installed applications by location; a location missing here fails to render.
    std::map<std::string, Bytes> fileIcons;
    std::vector<std::string> iconRequests;

    // Makes an application locatable, with an icon at its location.
    void install(const std::string& id, const std::string& name, Bytes icon)
    {
        const auto location = "/apps/" + id + ".desktop";
        installed[id] = ApplicationBundle { id, name, location };
        fileIcons[location] = std::move(icon);
    }
    void launch(const std::string& id) { notify(true, id); }
    void terminate(const std::string& id) { notify(false, id); }
    std::size_t observerCount() const { return observers_->size(); }

    std::vector<RunningApplication> runningApplications() override { return running; }
    std::optional<Bytes> runningApplicationIconPNG(const RunningApplication& application) override
    {
        iconRequests.push_back("running " + std::to_string(application.handle));
        return lookup(runningIcons, application.handle);
    }
    std::optional<ApplicationBundle> locateApplication(const std::string& bundleId) override
    {
        return lookup(installed, bundleId);
    }
    std::vector<ApplicationBundle> scanInstalledApplications() override { return scanned; }
    std::optional<Bytes> applicationIconPNG(const std::string& location) override
    {
        iconRequests.push_back("file " + location);
        return lookup(fileIcons, location);
    }
    Subscription observeLaunches(ApplicationObserver observer) override
    {
        return add(true, std::move(observer));
    }
    Subscription observeTerminations(ApplicationObserver observer) override
    {
        return add(false, std::move(observer));
    }

private:
    // By subscription number: whether it observes launches, and the observer.
    using Observers = std::map<int, std::pair<bool, ApplicationObserver>>;

    template <class Map, class Key>
    static std::optional<typename Map::mapped_type> lookup(const Map& map, const Key& key)
    {
        const auto found = map.find(key);
        return found == map.end() ? std::nullopt : std::optional(found->second);
    }
    Subscription add(bool launches, ApplicationObserver observer)
    {
        const int id = nextId_++;
        (*observers_)[id] = { launches, std::move(observer) };
        return Subscription([weak = std::weak_ptr<Observers>(observers_), id] {
            if (auto observers = weak.lock())
                observers->erase(id);
        });
    }
    void notify(bool launches, const std::string& id) const
    {
        for (const auto& [key, entry] : Observers(*observers_)) {
            if (entry.first == launches)
                entry.second(id);
        }
    }

    std::shared_ptr<Observers> observers_ = std::make_shared<Observers>();
    int nextId_ = 1;
};

} // namespace kavora::test
