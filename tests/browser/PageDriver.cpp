// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PageDriver.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kavora::test {
namespace {

const std::filesystem::path kScriptFolder
    = std::filesystem::path(KAVORA_SOURCE_DIR) / "tests/browser";
// Debian's WebKitGTK browser for tests, from the library's package.
const char* const kMiniBrowser = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";

} // namespace

std::string PageDriver::missing(const std::string& engine)
{
    auto reason = engine == "webkit" ? missingPrograms({ "node", "WebKitWebDriver", kMiniBrowser })
                                     : missingPrograms({ "node", "chromium" });
    if (reason.empty() && !std::filesystem::exists(kScriptFolder / "node_modules/playwright-core"))
        reason
            = "playwright-core is not installed: run npm ci in tests/browser (scripts/test does)";
    return reason;
}

PageDriver::PageDriver(const std::string& logPath, const std::string& engine)
    : logPath_(logPath)
    , display_(XvfbServer::Options { "800x1000x24", {} })
    , process_({ { "node", (kScriptFolder / "drive.mjs").string(), "--engine", engine, "--chromium",
                   findProgram("chromium"), "--minibrowser", kMiniBrowser },
                 { { "DISPLAY", display_.displayName() }, { "LANGUAGE", "en" } },
                 true,
                 logPath,
                 true })
{
}

nlohmann::json PageDriver::command(const std::string& page, nlohmann::json command,
                                   std::chrono::milliseconds timeout)
{
    command["page"] = page;
    if (!process_.writeInput(command.dump() + "\n"))
        return { { "ok", false }, { "error", "the driver stopped reading" } };
    const auto line = process_.readLine(timeout);
    if (!line)
        return { { "ok", false }, { "error", "no answer" } };
    auto answer = nlohmann::json::parse(*line, nullptr, false);
    if (!answer.is_object())
        return { { "ok", false }, { "error", "not an answer: " + *line } };
    return answer;
}

std::string PageDriver::log() const
{
    std::ifstream file(logPath_);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string errorOf(const nlohmann::json& answer)
{
    return answer.value("error", std::string()) + " " + answer.dump();
}

} // namespace kavora::test
