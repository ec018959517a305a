// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/MCReceiverMac.h"

#include "protocol/MessageCoding.h"
#include "support/FakePeerFramework.h"
#include "support/FixedHostNames.h"
#include "support/InMemoryUserDefaults.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <thread>

namespace kavora::test {
namespace {

using Lines = std::vector<std::string>;

const PeerID kAlice { 1, "Alice's phone", std::string(64, 'a'), "111111" };
const PeerID kBob { 2, "Bob's phone", std::string(64, 'b'), "222222" };

// A receiver whose published states, messages and session ends are recorded in `events`.
class MCReceiverMacTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        subscriptions.push_back(receiver->isConnected().subscribe(
            [this](bool on) { events.push_back(on ? "connected" : "not connected"); }));
        subscriptions.push_back(receiver->connectedPeerName().subscribe(
            [this](const auto& name) { events.push_back("name " + name.value_or("(none)")); }));
        receiver->onMessage = [this](const ControlMessage& message) {
            events.push_back("message " + encodeMessage(message).value());
        };
        receiver->onSessionEnded = [this] { events.emplace_back("session ended"); };
    }
    FakePeerSession& session() { return *framework.session; }
    FakePeerAdvertiser& advertiser() { return *framework.advertiser; }
    Lines takeEvents() { return std::exchange(events, {}); }

    VirtualScheduler scheduler;
    FakePeerFramework framework;
    InMemoryUserDefaults defaults;
    FixedHostNames hostNames { "Office iMac", "office-imac" };
    std::shared_ptr<MCReceiverMac> receiver
        = MCReceiverMac::create(scheduler, framework, defaults, hostNames);
    std::vector<Subscription> subscriptions;
    Lines events;
};

TEST_F(MCReceiverMacTest, CreationBuildsSessionAndStoppedAdvertiser)
{
    EXPECT_EQ(receiver->myPeerID().displayName, "Office iMac-Mac");
    EXPECT_EQ(framework.sessionDisplayName, "Office iMac-Mac");
    // The identifier stored on first use (kept across runs: DeviceIdentifierTest).
    EXPECT_EQ(framework.advertised,
              (Lines { "Office iMac-Mac", "kavora-v2", "app=KavoraMac",
                       "deviceID=" + defaults.string("kavora.mac.deviceID").value_or("?") }));
    EXPECT_EQ(framework.advertisedSession, framework.session);
    EXPECT_TRUE(advertiser().lines.empty()) << "advertising stays off until switched on";
    EXPECT_FALSE(receiver->isAdvertising().get());
    EXPECT_FALSE(receiver->isConnected().get());
}

TEST_F(MCReceiverMacTest, ASessionEndingReArmsAdvertisingOnlyWhileSwitchedOn)
{
    struct Row {
        const char* shows;
        bool switchedOn;
        bool joinFirst; // else a connection attempt fails
        Lines advertiser;
    };
    const Row rows[] = {
        { "a peer leaves", true, true, { "start", "start" } },
        { "an attempt fails", true, false, { "start", "start" } },
        { "switched off", false, true, {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        FakePeerFramework made;
        auto other = MCReceiverMac::create(scheduler, made, defaults, hostNames);
        if (row.switchedOn)
            other->startAdvertising();
        if (row.joinFirst) {
            made.session->join(kAlice);
            scheduler.runPending();
            EXPECT_EQ(made.advertiser->lines.size(), row.switchedOn ? 1U : 0U)
                << "not stopped while connected";
        }
        made.session->leave(kAlice);
        scheduler.runPending();
        EXPECT_EQ(made.advertiser->lines, row.advertiser);
    }
}

TEST_F(MCReceiverMacTest, StopAdvertisingDisconnectsAndDoesNotReArm)
{
    receiver->startAdvertising();
    session().join(kAlice);
    scheduler.runPending();
    takeEvents();

    receiver->stopAdvertising();
    EXPECT_FALSE(receiver->isAdvertising().get());
    EXPECT_EQ(session().lines, (Lines { "disconnect" }));
    EXPECT_EQ(takeEvents(), (Lines { "not connected", "name (none)" })) << "at once, not posted";
    scheduler.runPending();
    EXPECT_EQ(takeEvents(), (Lines { "not connected", "name (none)", "session ended" }));
    EXPECT_EQ(advertiser().lines, (Lines { "start", "stop" })) << "the disconnect must not re-arm";
}

TEST_F(MCReceiverMacTest, StatesAndMessagesArePublishedOnTheMainQueueInOrder)
{
    session().report(kAlice, PeerState::Connecting);
    session().join(kAlice);
    session().receive(R"({"leftClickDown":{}})", kAlice);
    EXPECT_TRUE(events.empty()) << "nothing happens before the main queue runs";
    scheduler.runPending();
    EXPECT_EQ(takeEvents(),
              (Lines { "connected", "name Alice's phone", R"(message {"leftClickDown":{}})" }));

    session().receive(R"({"leftClickUp":{}})", kAlice);
    session().leave(kAlice);
    scheduler.runPending();
    EXPECT_EQ(takeEvents(),
              (Lines { R"(message {"leftClickUp":{}})", "not connected", "name (none)",
                       "session ended" }));
}

TEST_F(MCReceiverMacTest, ADeviceTheUserRenamedIsShownConnectedUnderThatName)
{
    TrustedDevices(defaults, systemWallTime)
        .trust(kAlice.fingerprint, "", TrustedDevices::Seen::NotYet);
    receiver->reloadTrustedDevices();
    receiver->renameTrustedDevice(kAlice.fingerprint, "Kitchen");
    session().join(kAlice);
    scheduler.runPending();
    EXPECT_EQ(takeEvents(), (Lines { "connected", "name Kitchen" }));
}

TEST_F(MCReceiverMacTest, AMessageSkipsTheQueueOnlyWhereThatKeepsTheOrder)
{
    const std::string heartbeat = R"({"heartbeat":{}})";
    const std::string message = "message " + heartbeat;
    struct Row {
        const char* shows;
        std::function<void()> act;
        Lines atOnce; // before the main queue runs
        Lines afterQueue;
    };
    const Row rows[] = {
        { "on the main thread with nothing queued: handled at once",
          [&] { session().receive(heartbeat, kAlice); },
          { message },
          {} },
        { "behind a state report still queued: after it",
          [&] {
              session().leave(kAlice);
              session().receive(heartbeat, kAlice);
          },
          {},
          { "not connected", "name (none)", "session ended", message } },
        { "read on another thread: through the queue",
          [&] { std::thread([&] { session().receive(heartbeat, kAlice); }).join(); },
          {},
          { message } },
        { "read while another is handled: after it, not inside it",
          [&] {
              receiver->onMessage = [&](const ControlMessage& handled) {
                  events.push_back("begin " + encodeMessage(handled).value());
                  if (std::holds_alternative<msg::LeftClickDown>(handled))
                      session().receive(heartbeat, kAlice);
                  events.emplace_back("end");
              };
              session().receive(R"({"leftClickDown":{}})", kAlice);
          },
          { R"(begin {"leftClickDown":{}})", "end" },
          { "begin " + heartbeat, "end" } },
    };
    for (const auto& row : rows) {
        session().join(kAlice);
        scheduler.runPending();
        takeEvents();
        row.act();
        EXPECT_EQ(takeEvents(), row.atOnce) << row.shows;
        scheduler.runPending();
        EXPECT_EQ(takeEvents(), row.afterQueue) << row.shows;
    }
}

TEST_F(MCReceiverMacTest, UndecodablePacketsAreDroppedAndTheNextIsDelivered)
{
    session().join(kAlice);
    scheduler.runPending();
    takeEvents();
    session().receive("not json at all", kAlice);
    session().receive(R"({"noSuchCase":{}})", kAlice);
    session().receive(R"({"heartbeat":{}})", kAlice);
    scheduler.runPending();
    EXPECT_EQ(takeEvents(), (Lines { R"(message {"heartbeat":{}})" }));
    EXPECT_TRUE(session().lines.empty()) << "nothing answered, the session stays up";
}

TEST_F(MCReceiverMacTest, MessageBeforeOnMessageIsSetIsDropped)
{
    receiver->onMessage = nullptr;
    session().receive(R"({"heartbeat":{}})", kAlice);
    scheduler.runPending();
    int calls = 0;
    receiver->onMessage = [&calls](const ControlMessage&) { ++calls; };
    scheduler.runPending();
    EXPECT_EQ(calls, 0);
    session().receive(R"({"heartbeat":{}})", kAlice);
    scheduler.runPending();
    EXPECT_EQ(calls, 1);
}

TEST_F(MCReceiverMacTest, SendGoesToTheConnectedPeerAndDropsWhatCannotGo)
{
    receiver->send(msg::Heartbeat {}); // no peer, nothing sent
    session().join(kAlice);
    receiver->send(msg::LaunchApp { "org.gnome.Calculator" });
    receiver->send(msg::MouseDelta { std::numeric_limits<float>::quiet_NaN(), 0 });
    session().sendSucceeds = false;
    receiver->send(msg::Heartbeat {});
    receiver->send(msg::Heartbeat {});
    EXPECT_EQ(session().lines,
              (Lines { R"(send {"launchApp":{"bundleId":"org.gnome.Calculator"}} to Alice's phone)",
                       R"(send {"heartbeat":{}} to Alice's phone)",
                       R"(send {"heartbeat":{}} to Alice's phone)" }))
        << "an unencodable message is dropped; a failed send changes nothing for the next";
}

TEST_F(MCReceiverMacTest, PendingWorkIsDroppedOnceTheReceiverIsGone)
{
    auto& fakeSession = session();
    fakeSession.report(kAlice, PeerState::NotConnected);
    fakeSession.receive(R"({"heartbeat":{}})", kAlice); // queued behind the report
    receiver.reset();
    scheduler.runPending();
    EXPECT_TRUE(events.empty());
}

} // namespace
} // namespace kavora::test
