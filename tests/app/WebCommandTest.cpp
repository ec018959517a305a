// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// `kavora web` in this process, over a settings folder of the test's own and a stand-in for the
// running receiver.

#include "app/WebCommand.h"
#include "platform/BrowserControl.h"

#include "CommandRig.h"

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
    // clang-format off
    const Row rows[] = {
        { "address", {}, kAddress, 0, std::nullopt, true },
        { "no receiver", {}, std::nullopt, 1, std::nullopt, true },
        { "not served", {}, std::string(), 1, std::nullopt, true },
        { "on", { "on" }, kAddress, 0, true, true },
        { "off", { "off" }, kAddress, 0, false, false },
        { "too many words", { "on", "now" }, kAddress, 2, std::nullopt, false },
    };
    // clang-format on
    for (const auto& row : rows) {
        CommandRig rig;
        bool asked = false;
        const auto command = [&](const auto& args, auto& defaults, auto& out, auto& err) {
            const auto answer = [&] {
                asked = true;
                return row.receiverAnswer;
            };
            return runWebCommand(args, defaults, answer, out, err);
        };
        const auto result = rig.inProcess(command, row.args);
        EXPECT_EQ(result.exitStatus, row.status) << row.name << ": " << result.errors;
        EXPECT_EQ(rig.seenByAReceiver().object(BrowserControl::kEnabledKey), row.stored)
            << row.name;
        EXPECT_EQ(asked, row.asked) << row.name;
        EXPECT_EQ(result.output.starts_with(kAddress + "\n"), row.status == 0 && row.asked)
            << row.name;
    }
}

} // namespace
} // namespace kavora::test
