// `kavora web` in this process, over an in-memory store and a stand-in for the running receiver.

#include "app/WebCommand.h"

#include "ProgramRun.h"
#include "platform/BrowserControl.h"
#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

const std::string kAddress = "https://192.168.1.20:47390/#t=AAAAAAAAAAAAAAAAAAAAAQ";

TEST(WebCommandTest, SwitchesAndPrintsWhatTheRunningReceiverAnswers)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::optional<std::string> receiverAnswer; // nothing: no receiver runs
        int status;
        std::optional<bool> stored; // the switch afterwards
        bool asked;
    };
    const Row rows[] = {
        { "address", {}, kAddress, 0, std::nullopt, true },
        { "no receiver", {}, std::nullopt, 1, std::nullopt, true },
        { "not served", {}, std::string(), 1, std::nullopt, true },
        { "on", { "on" }, kAddress, 0, true, true },
        { "off", { "off" }, kAddress, 0, false, false },
        { "unknown word", { "maybe" }, kAddress, 2, std::nullopt, false },
        { "too many words", { "on", "now" }, kAddress, 2, std::nullopt, false },
    };
    for (const auto& row : rows) {
        InMemoryUserDefaults defaults;
        bool asked = false;
        const auto run = captured([&](auto& out, auto& err) {
            return runWebCommand(
                row.args, defaults,
                [&] {
                    asked = true;
                    return row.receiverAnswer;
                },
                out, err);
        });
        EXPECT_EQ(run.status, row.status) << row.name << ": " << run.err;
        EXPECT_EQ(defaults.object(BrowserControl::kEnabledKey).has_value(), row.stored.has_value())
            << row.name;
        if (row.stored) {
            EXPECT_EQ(defaults.boolValue(BrowserControl::kEnabledKey), *row.stored) << row.name;
        }
        EXPECT_EQ(asked, row.asked) << row.name;
        EXPECT_EQ(run.out.find(kAddress + "\n") == 0, row.status == 0 && row.asked) << row.name;
    }
}

} // namespace
} // namespace kavora::test
