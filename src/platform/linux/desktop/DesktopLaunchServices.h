// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/LaunchServices.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kavora {

class DesktopOverview;

// Launch services of a freedesktop desktop: applications by desktop-file id and addresses in a
// browser, both through GIO (the program is spawned directly, never through a shell, and never
// waited for), and the window overview through the desktop shell (DesktopOverview). Whatever a
// peer sends is checked first (DesktopLaunchArguments); what fails the check starts nothing.
// An application that already runs is brought to the front instead of being started again when
// the activation hook finds a window of it. GUI thread only.
class DesktopLaunchServices final : public LaunchServices {
public:
    // Brings the running application with this desktop-file id to the front; false when it has
    // no window to bring.
    using ActivateRunning = std::function<bool(const std::string& bundleId)>;

    // overviewKeyFallback posts the overview key where the desktop has no D-Bus overview call;
    // activateRunning is asked before an application is launched. Either may be empty.
    explicit DesktopLaunchServices(std::function<void()> overviewKeyFallback = {},
                                   ActivateRunning activateRunning = {});
    ~DesktopLaunchServices() override;

    void showWindowOverview() override;
    // The bundle identifier is a desktop-file id ("org.mozilla.firefox"). A running application
    // comes to the front through the activation hook; without one, or when it finds no window,
    // the application is launched, and one that is single-instance (GApplication, D-Bus
    // activatable, most browsers) brings its existing window forward itself.
    void openApplication(const std::string& bundleId) override;
    // Only http and https addresses are opened. "com.google.Chrome" also finds Chrome and
    // Chromium under their Debian and Flatpak ids. The browser must be an entry whose MimeType
    // names x-scheme-handler/http or x-scheme-handler/https; one that is not installed, one that
    // is no browser (logged) or none at all means the default handler of the address's scheme.
    void openURL(const std::string& url,
                 const std::optional<std::string>& browserBundleId) override;

private:
    std::unique_ptr<DesktopOverview> overview_;
    ActivateRunning activateRunning_;
};

} // namespace kavora
