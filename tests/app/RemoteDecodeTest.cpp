// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CommandRig.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

// `kavora-remote decode`: the decoding rules themselves are the protocol's (MessageDecodingTest);
// this shows the command's streams and exit statuses.
TEST(RemoteDecode, PrintsTheWireFormOrTheFailure)
{
    const auto decoded
        = runProgram("kavora-remote", { "decode" },
                     "{ \"openURL\" : {\"url\": \"x\", \"browserBundleId\": null}, \"y\": 1 }\n");
    EXPECT_EQ(decoded.exitStatus, 0);
    EXPECT_EQ(decoded.output, "{\"openURL\":{\"url\":\"x\"}}\n");
    EXPECT_EQ(decoded.errors, "");

    const auto failed = runProgram("kavora-remote", { "decode" }, R"({"setMuted":{"_0":1}})");
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_EQ(failed.output, "");
    EXPECT_EQ(failed.errors, "error: setMuted: _0: expected true or false\n");

    EXPECT_EQ(runProgram("kavora-remote", { "nonsense" }).exitStatus, 2);
}

} // namespace
} // namespace kavora::test
