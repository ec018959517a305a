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
// GUI thread only.
class DesktopLaunchServices final : public LaunchServices {
public:
    // overviewKeyFallback posts the overview key where the desktop has no D-Bus overview call;
    // it may be empty.
    explicit DesktopLaunchServices(std::function<void()> overviewKeyFallback = {});
    ~DesktopLaunchServices() override;

    void showWindowOverview() override;
    // The bundle identifier is a desktop-file id ("org.mozilla.firefox"). A running application
    // that is single-instance (GApplication, D-Bus activatable, most browsers) comes to the front.
    void openApplication(const std::string& bundleId) override;
    // Only http and https addresses are opened. "com.google.Chrome" also finds Chrome and
    // Chromium under their Debian and Flatpak ids; a browser that is not installed, or no browser,
    // means the default handler of the address's scheme.
    void openURL(const std::string& url,
                 const std::optional<std::string>& browserBundleId) override;

private:
    std::unique_ptr<DesktopOverview> overview_;
};

} // namespace kavora
