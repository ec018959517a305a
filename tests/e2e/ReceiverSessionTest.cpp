#include "ReceiverProcess.h"
#include "RemoteController.h"

#include <gtest/gtest.h>

#include <csignal>

namespace kavora::test {
namespace {

using nlohmann::json;
using Cases = std::vector<std::string>;

const json kHeartbeat = { { "heartbeat", json::object() } };

Cases casesOf(const std::vector<json>& messages)
{
    Cases cases;
    for (const auto& message : messages)
        cases.push_back(caseOf(message));
    return cases;
}

// The ids and labels of a systemButtons message, in order.
std::vector<std::pair<std::string, std::string>> buttonsOf(const json& message)
{
    std::vector<std::pair<std::string, std::string>> buttons;
    for (const auto& button : message.at("systemButtons").at("buttons"))
        buttons.emplace_back(button.at("id"), button.at("label"));
    return buttons;
}

const std::vector<std::pair<std::string, std::string>> kDefaultButtons = {
    { "spotlight", "Spotlight" },
    { "screenshot", "Screen Shot" },
    { "missioncontrol", "Mission Control" },
};

class ReceiverSessionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(receiver.ready()) << "first line: " << receiver.banner() << "\n"
                                      << receiver.log();
    }

    ReceiverProcess receiver;
};

TEST_F(ReceiverSessionTest, AJoinedControllerGetsTheListsEchoesAndReplies)
{
    RemoteController remote(receiver, "Test Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors() << receiver.log();

    // The three lists follow shortly after joining, once each and in this order, whatever
    // arrived around them.
    auto received = remote.messagesUntil("favoriteSites");
    Cases lists;
    const json* pushedButtons = nullptr;
    for (const auto& message : received) {
        if (caseOf(message) == "heartbeat")
            continue;
        lists.push_back(caseOf(message));
        if (caseOf(message) == "systemButtons")
            pushedButtons = &message;
    }
    EXPECT_EQ(lists, (Cases { "registeredAppList", "systemButtons", "favoriteSites" }));
    ASSERT_NE(pushedButtons, nullptr);
    EXPECT_EQ(buttonsOf(*pushedButtons), kDefaultButtons);

    ASSERT_TRUE(remote.send({ { "requestSystemButtons", json::object() } }));
    const auto reply = remote.messagesUntil("systemButtons");
    ASSERT_EQ(casesOf(reply), Cases { "systemButtons" }) << "nothing else, no second push";
    EXPECT_EQ(buttonsOf(reply.front()), kDefaultButtons);

    // Every heartbeat gets its own echo, the payload an empty object.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(remote.send(kHeartbeat));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(remote.nextMessage(), kHeartbeat) << "echo " << i;

    remote.leave();
    EXPECT_EQ(remote.waitForExit(), 0) << remote.errors();
}

TEST_F(ReceiverSessionTest, ASecondControllerIsDeclinedUntilTheFirstLeaves)
{
    RemoteController first(receiver, "First");
    ASSERT_TRUE(first.inSession()) << first.errors();

    RemoteController second(receiver, "Second");
    EXPECT_EQ(second.waitForExit(), 1);
    EXPECT_EQ(second.errors(),
              "kavora-remote: " + receiver.address()
                  + " declined the invitation (another controller is connected)\n");
    EXPECT_TRUE(first.inSession()) << "the declined one did not disturb the session";

    first.leave();
    EXPECT_EQ(first.waitForExit(), 0) << first.errors();
    RemoteController third(receiver, "Third");
    EXPECT_TRUE(third.inSession()) << third.errors();
}

TEST_F(ReceiverSessionTest, SigtermEndsTheReceiverWithStatusZero)
{
    RemoteController remote(receiver, "Test Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors();

    ASSERT_EQ(::kill(receiver.process().pid(), SIGTERM), 0);
    EXPECT_EQ(receiver.process().waitForExit(kStartTimeout), 0) << receiver.log();
    // The controller learns that the session is over and says so.
    EXPECT_EQ(remote.waitForExit(), 1);
    EXPECT_NE(remote.errors().find(receiver.address() + " closed the connection"),
              std::string::npos)
        << remote.errors();
}

TEST(ReceiverCommandLine, AMalformedListenAddressIsAUsageError)
{
    for (const char* address : { "localhost", "127.0.0.1:9", "::1::2" }) {
        const auto outcome = run({ KAVORA_PROGRAM, "--headless", "--listen", address });
        EXPECT_EQ(outcome.exitStatus, 2) << address;
    }
}

} // namespace
} // namespace kavora::test
