// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/XvfbServer.h"
#include "support/linux/ChildProcess.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>

namespace kavora::test {

// A browser engine ("chromium" or "webkit") with the controller page, driven by
// tests/browser/drive.mjs: each command is one JSON line to the script, each answer one JSON line
// back ({"ok":true,...} or {"ok":false,"error"}). Each page a test opens is phone-sized. WebKit
// draws on an X display of its own, away from the one the receiver types into, and speaks English.
class PageDriver {
public:
    // Why the engine's tests cannot run here (no node, no browser, no WebDriver, the npm packages
    // not installed: scripts/install-deps --test and scripts/test install them); empty when they
    // can.
    static std::string missing(const std::string& engine = "chromium");

    PageDriver(const std::string& logPath, const std::string& engine = "chromium");

    // Sends the command with "page" set and waits for its answer; an answer with "ok" false
    // (or {"ok":false,"error":"no answer"}) when it failed.
    nlohmann::json command(const std::string& page, nlohmann::json command,
                           std::chrono::milliseconds timeout = std::chrono::seconds(40));
    std::string log() const;

private:
    std::string logPath_;
    XvfbServer display_;
    ChildProcess process_;
};

// Why a driver answer failed, for assertion messages.
std::string errorOf(const nlohmann::json& answer);

} // namespace kavora::test
