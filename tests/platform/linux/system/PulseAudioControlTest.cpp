#include "platform/linux/system/PulseAudioControl.h"

#include "support/linux/PrivateSession.h"
#include "support/linux/PulseServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>

#include <pulse/def.h>
#include <pulse/error.h>

namespace kavora {
namespace {

using test::PrivateSession;
using test::PulseServer;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kSink = "kavora_test";

class PulseAudioControlTest : public ::testing::Test {
protected:
    // A private runtime folder, where libpulse looks for the server first: no test reaches the
    // user's sound server.
    void SetUp() override { PrivateSession::instance(); }
};

TEST_F(PulseAudioControlTest, DefaultSinkMuteFollowsTheSwitch)
{
    const PulseServer server(kSink);
    ASSERT_TRUE(server.ready());
    ASSERT_TRUE(server.setMuted(kSink, false));
    PulseAudioControl control;

    const MuteOutcome muted = control.setOutputMuted(true);
    EXPECT_TRUE(muted.succeeded) << muted.errorDescription.value_or("");
    EXPECT_EQ(muted.errorDescription, std::nullopt);
    EXPECT_EQ(server.muted(kSink), true);

    EXPECT_TRUE(control.setOutputMuted(true).succeeded);
    EXPECT_EQ(server.muted(kSink), true);

    EXPECT_TRUE(control.setOutputMuted(false).succeeded);
    EXPECT_EQ(server.muted(kSink), false);
}

TEST_F(PulseAudioControlTest, NoSoundServerIsAFailureWithADescription)
{
    PulseAudioControl control;
    const auto started = std::chrono::steady_clock::now();
    const MuteOutcome outcome = control.setOutputMuted(true);
    EXPECT_LT(std::chrono::steady_clock::now() - started, PulseAudioControl::kDefaultDeadline);
    EXPECT_FALSE(outcome.succeeded);
    ASSERT_TRUE(outcome.errorDescription);
    EXPECT_THAT(*outcome.errorDescription, StartsWith("PulseAudio: "));
    EXPECT_GT(outcome.errorDescription->size(), std::string("PulseAudio: ").size());
}

TEST_F(PulseAudioControlTest, ServerWithoutSinkIsAFailureWithADescription)
{
    const PulseServer server("");
    ASSERT_TRUE(server.ready());
    PulseAudioControl control;
    const MuteOutcome outcome = control.setOutputMuted(true);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.errorDescription, "PulseAudio: " + std::string(pa_strerror(PA_ERR_NOENTITY)));
}

TEST_F(PulseAudioControlTest, HungServerCostsNoMoreThanTheDeadline)
{
    const PulseServer server(kSink);
    ASSERT_TRUE(server.ready());
    constexpr std::chrono::milliseconds kDeadline { 700 };
    PulseAudioControl control(kDeadline);

    ASSERT_EQ(kill(server.pid(), SIGSTOP), 0);
    const auto started = std::chrono::steady_clock::now();
    const MuteOutcome outcome = control.setOutputMuted(true);
    const auto elapsed = std::chrono::steady_clock::now() - started;
    kill(server.pid(), SIGCONT);

    EXPECT_FALSE(outcome.succeeded);
    EXPECT_THAT(outcome.errorDescription.value_or(""), HasSubstr("did not answer"));
    EXPECT_GE(elapsed, kDeadline);
    EXPECT_LT(elapsed, kDeadline + std::chrono::milliseconds(1500));
}

} // namespace
} // namespace kavora
