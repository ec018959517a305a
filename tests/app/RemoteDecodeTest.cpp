#include "ProgramRun.h"

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
    EXPECT_EQ(decoded.status, 0);
    EXPECT_EQ(decoded.out, "{\"openURL\":{\"url\":\"x\"}}\n");
    EXPECT_EQ(decoded.err, "");

    const auto failed = runProgram("kavora-remote", { "decode" }, R"({"setMuted":{"_0":1}})");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "error: setMuted: _0: expected true or false\n");

    EXPECT_EQ(runProgram("kavora-remote", { "nonsense" }).status, 2);
}

} // namespace
} // namespace kavora::test
