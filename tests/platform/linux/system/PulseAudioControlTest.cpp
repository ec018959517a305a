// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/PulseAudioControl.h"

#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <string>

#include <pulse/def.h>
#include <pulse/error.h>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;

// A PulseAudio server of the test's own in the private session's runtime folder, where libpulse
// looks first (so no test reaches the user's sound server), with one null sink or none.
class PulseServer {
public:
    explicit PulseServer(const std::string& sink)
    {
        std::vector<std::string> argv { "pulseaudio",
                                        "-n",
                                        "--daemonize=no",
                                        "--exit-idle-time=-1",
                                        "--disallow-exit=yes",
                                        "--use-pid-file=no",
                                        "-L",
                                        "module-native-protocol-unix" };
        if (!sink.empty())
            argv.insert(argv.end(), { "-L", "module-null-sink sink_name=" + sink });
        server_ = ChildProcess(
            { argv, {}, false, (PrivateSession::instance().root() / "pulseaudio.log").string() });
        ready_ = server_.started() && pollUntil([] {
                     return run({ "pactl", "info" }).exitStatus == 0;
                 });
    }

    bool ready() const { return ready_; }
    pid_t pid() const { return server_.pid(); }
    // The sink's mute state as pactl reads it; nothing when it cannot be read.
    static std::optional<bool> muted(const std::string& sink)
    {
        const auto output = run({ "pactl", "get-sink-mute", sink }, { { "LC_ALL", "C" } }).output;
        if (output.find("Mute: yes") != std::string::npos)
            return true;
        if (output.find("Mute: no") != std::string::npos)
            return false;
        return std::nullopt;
    }

private:
    ChildProcess server_;
    bool ready_ = false;
};

class PulseAudioControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const auto missing = missingPrograms({ "pulseaudio", "pactl" }); !missing.empty())
            GTEST_SKIP() << missing;
        PrivateSession::instance();
    }
};

TEST_F(PulseAudioControlTest, DefaultSinkMuteFollowsTheSwitch)
{
    const PulseServer server("kavora_test");
    ASSERT_TRUE(server.ready());
    PulseAudioControl control;
    for (const bool muted : { true, true, false, true }) {
        SCOPED_TRACE(muted);
        const MuteOutcome outcome = control.setOutputMuted(muted);
        EXPECT_TRUE(outcome.succeeded) << outcome.errorDescription.value_or("");
        EXPECT_EQ(outcome.errorDescription, std::nullopt);
        EXPECT_EQ(PulseServer::muted("kavora_test"), muted);
    }
}

TEST_F(PulseAudioControlTest, FailuresComeWithADescriptionWithinTheDeadline)
{
    constexpr auto kDeadline = 700ms;
    PulseAudioControl control(kDeadline);
    std::chrono::steady_clock::duration elapsed {};
    const auto failure = [&] {
        const auto started = std::chrono::steady_clock::now();
        const MuteOutcome outcome = control.setOutputMuted(true);
        elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_FALSE(outcome.succeeded);
        return outcome.errorDescription.value_or("<none>");
    };
    const std::string refused = failure();
    EXPECT_TRUE(refused.starts_with("PulseAudio: ") && refused.size() > 12) << refused;
    EXPECT_LT(elapsed, kDeadline) << "no sound server";

    const PulseServer server("");
    ASSERT_TRUE(server.ready());
    EXPECT_EQ(failure(), "PulseAudio: " + std::string(pa_strerror(PA_ERR_NOENTITY)));

    ASSERT_EQ(kill(server.pid(), SIGSTOP), 0);
    EXPECT_NE(failure().find("did not answer"), std::string::npos);
    kill(server.pid(), SIGCONT);
    EXPECT_GE(elapsed, kDeadline) << "a hung server";
    EXPECT_LT(elapsed, kDeadline + 1500ms) << "a hung server";
}

} // namespace
} // namespace kavora::test
