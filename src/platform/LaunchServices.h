// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>

namespace kavora {

// Starts other programs. Nothing waits for them and failures are absorbed here.
class LaunchServices {
public:
    virtual ~LaunchServices() = default;

    // Shows the desktop's window overview ("Mission Control").
    virtual void showWindowOverview() = 0;
    // Launches the application with this id, or brings it to the front when it runs.
    virtual void openApplication(const std::string& bundleId) = 0;
    // Opens the address in the browser with this id, or with the default handler.
    virtual void openURL(const std::string& url, const std::optional<std::string>& browserBundleId)
        = 0;
};

} // namespace kavora
