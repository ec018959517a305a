// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceiverProcess.h"

#include "support/linux/Polling.h"
#include "support/linux/X11TestClient.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kavora::test {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr std::string_view kInputOff = "kavora: input does not reach the desktop";
constexpr std::string_view kInputOn = "kavora: input reaches the desktop";

// The next line the headless receiver prints that starts with "kavora: input", if any comes
// within the timeout.
std::string nextInputLine(ReceiverProcess& receiver, std::chrono::milliseconds timeout)
{
    while (auto line = receiver.process().readLine(timeout)) {
        if (line->starts_with("kavora: input"))
            return *line;
    }
    return {};
}

// The receiver's own X connection breaks when its server ends: it says so, and input flows again
// through a fresh connection (keyboard map, monitors, pointer map read anew) once a server runs
// on the display again.
TEST(ReceiverDisplayLossTest, InputStopsWhileTheXServerIsGoneAndFlowsOnceItIsBack)
{
    ReceiverProcess receiver;
    ASSERT_TRUE(receiver.ready()) << receiver.log();
    RemoteController remote(receiver, "Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors();

    receiver.xServer().stop();
    EXPECT_EQ(nextInputLine(receiver, kReplyTimeout), kInputOff) << receiver.log();
    ASSERT_TRUE(receiver.xServer().restart());
    EXPECT_EQ(nextInputLine(receiver, kReplyTimeout), kInputOn) << receiver.log();
    EXPECT_TRUE(remote.inSession()) << "the controller stayed";

    X11TestClient probe(receiver.xDisplay());
    ASSERT_TRUE(probe.recordInput());
    ASSERT_TRUE(remote.send({ { "keyDown", { { "modifier", 0 }, { "keyCode", 4 } } } }));
    const auto typed = probe.takeUntil(
        [](const auto& event) { return event.kind == X11TestClient::Event::Kind::KeyUp; },
        kReplyTimeout);
    ASSERT_FALSE(typed.empty()) << receiver.log();
    EXPECT_EQ(X11TestClient::describe(typed.back()), "up a") << receiver.log();
    const auto start = probe.pointer().value();
    ASSERT_TRUE(remote.send({ { "mouseDelta", { { "dx", 40 }, { "dy", 25 } } } }));
    EXPECT_TRUE(pollUntil([&] { return probe.pointer().value().x > start.x; }, kReplyTimeout))
        << receiver.log();
}

// A display that does not come back ends the receiver with a failure, for the user's service
// manager to start it again, about twenty seconds after the loss.
TEST(ReceiverDisplayLossTest, AReceiverWhoseXServerNeverComesBackExitsWithAFailure)
{
    ReceiverProcess receiver;
    ASSERT_TRUE(receiver.ready()) << receiver.log();
    receiver.xServer().stop();
    EXPECT_EQ(nextInputLine(receiver, kReplyTimeout), kInputOff) << receiver.log();
    EXPECT_EQ(receiver.process().waitForExit(40s), 1) << receiver.log();
    EXPECT_NE(receiver.log().find("did not come back"), std::string::npos) << receiver.log();
}

} // namespace
} // namespace kavora::test
