#pragma once

#include "support/linux/ChildProcess.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>

namespace kavora::test {

// Chromium with the controller page, driven by tests/browser/drive.mjs: each command is one JSON
// line to the script, each answer one JSON line back ({"ok":true,...} or {"ok":false,"error"}).
// One browser serves every page a test opens, each page in a phone-sized context of its own.
class PageDriver {
public:
    // Why the browser tests cannot run here (no node, no Chromium, the npm packages not
    // installed: scripts/test installs them); empty when they can.
    static std::string missing();

    explicit PageDriver(const std::string& logPath);

    // Sends the command with "page" set and waits for its answer; an answer with "ok" false
    // (or {"ok":false,"error":"no answer"}) when it failed.
    nlohmann::json command(const std::string& page, nlohmann::json command,
                           std::chrono::milliseconds timeout = std::chrono::seconds(40));
    std::string log() const;

private:
    std::string logPath_;
    ChildProcess process_;
};

// Why a driver answer failed, for assertion messages.
std::string errorOf(const nlohmann::json& answer);

} // namespace kavora::test
