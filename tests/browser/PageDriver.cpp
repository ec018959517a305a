#include "PageDriver.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kavora::test {
namespace {

const std::filesystem::path kScriptFolder
    = std::filesystem::path(KAVORA_SOURCE_DIR) / "tests/browser";

} // namespace

std::string PageDriver::missing()
{
    auto reason = missingPrograms({ "node", "chromium" });
    if (reason.empty() && !std::filesystem::exists(kScriptFolder / "node_modules/playwright-core"))
        reason
            = "playwright-core is not installed: run npm ci in tests/browser (scripts/test does)";
    return reason;
}

PageDriver::PageDriver(const std::string& logPath)
    : logPath_(logPath)
    , process_({ { "node", (kScriptFolder / "drive.mjs").string(), "--chromium",
                   findProgram("chromium") },
                 {},
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
