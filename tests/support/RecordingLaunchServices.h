// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/LaunchServices.h"

#include <string>
#include <vector>

namespace kavora::test {

// Records each launch as the arguments of the system "open" command it stands for:
// "open -a Mission Control", "open -b <bundle id>", "open -b <browser id> <url>", "open <url>".
class RecordingLaunchServices final : public LaunchServices {
public:
    std::vector<std::string> lines;

    void showWindowOverview() override { lines.emplace_back("open -a Mission Control"); }
    void openApplication(const std::string& bundleId) override
    {
        lines.push_back("open -b " + bundleId);
    }
    void openURL(const std::string& url, const std::optional<std::string>& browserBundleId) override
    {
        lines.push_back(browserBundleId ? "open -b " + *browserBundleId + " " + url
                                        : "open " + url);
    }
};

} // namespace kavora::test
