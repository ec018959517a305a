// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"
#include "core/Published.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// How a running application takes part in the desktop. Only regular applications (a window in
// the task switcher) are offered to the controller device.
enum class ActivationPolicy { Regular, Accessory, Background };

// One running application as the desktop reports it.
struct RunningApplication {
    // The backend's own key for this entry (a process id on Linux), passed back for its icon.
    std::uint64_t handle = 0;
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;
    // The desktop-file id, such as "org.mozilla.firefox"; absent when it cannot be told.
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;
};

// An installed application: where it is, its id and the display name it declares.
struct ApplicationBundle {
    std::string bundleIdentifier;
    // The (localized) name the application declares, if any.
    std::optional<std::string> name;
    // The application's file (a desktop entry on Linux); its icon is asked for by this path.
    std::string location;
};

// The desktop's applications: the running ones, the installed ones, their icons, and the news of
// launches and terminations. Main thread only; notifications are delivered on the main queue.
// Icons are always 64 x 64 PNG images, the source stretched to fill the square; rendering and
// encoding are the backend's, which answers nothing when either fails.
class Workspace {
public:
    using ApplicationObserver = std::function<void(const std::string& bundleId)>;

    virtual ~Workspace() = default;

    // All running applications, in the order the desktop lists them.
    virtual std::vector<RunningApplication> runningApplications() = 0;
    // The icon of a running application, rendered anew on every call.
    virtual std::optional<Bytes> runningApplicationIconPNG(const RunningApplication& application)
        = 0;

    // The installed application with this id, or nothing when it cannot be located or read.
    virtual std::optional<ApplicationBundle> locateApplication(const std::string& bundleId) = 0;
    // The installed applications of every application folder: folder by folder in search order
    // (the user's before the system's), each folder in its listing order, the same id possibly
    // found in several folders. Folders that cannot be read and entries that are not
    // applications, or are hidden from menus, are left out.
    virtual std::vector<ApplicationBundle> scanInstalledApplications() = 0;
    // The icon of the installed application at this location.
    virtual std::optional<Bytes> applicationIconPNG(const std::string& location) = 0;

    // Calls the observer with the id of each application that starts or quits, as long as the
    // returned token lives. Applications without an id are not reported.
    [[nodiscard]] virtual Subscription observeLaunches(ApplicationObserver observer) = 0;
    [[nodiscard]] virtual Subscription observeTerminations(ApplicationObserver observer) = 0;
};

} // namespace kavora
