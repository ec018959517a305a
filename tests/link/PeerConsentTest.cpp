// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/MCReceiverMac.h"

#include "support/FakePeerFramework.h"
#include "support/FixedHostNames.h"
#include "support/InMemoryUserDefaults.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kavora::test {
namespace {

using Lines = std::vector<std::string>;
using nlohmann::json;

const PeerID kTrusted { 1, "Alice's phone", std::string(64, 'a'), "111111" };
const PeerID kUnknown { 2, "Bob's phone", std::string(64, 'b'), "222222" };
const PeerID kOtherUnknown { 3, "Carol's pad", std::string(64, 'c'), "333333" };

// The receiver's consent over the fake advertiser, in virtual time, advertising. Alice's phone
// is trusted; Bob's phone and Carol's pad are not.
struct ConsentRig {
    ConsentRig()
    {
        trustFromOutside(kTrusted);
        receiver->startAdvertising();
        advertiser().lines.clear();
    }
    FakePeerSession& session() { return *framework.session; }
    FakePeerAdvertiser& advertiser() { return *framework.advertiser; }
    InvitationDecision invite(const PeerID& peer) { return advertiser().invite(peer); }
    // What `kavora devices allow` does from another process: the store changes, then the
    // receiver is told the settings file changed.
    void trustFromOutside(const PeerID& peer)
    {
        auto stored = defaults.object(TrustedDevices::kKey).value_or(json::object());
        stored[peer.fingerprint] = { { "trusted", "2026-01-01T00:00:00Z" } };
        defaults.setObject(TrustedDevices::kKey, stored);
        receiver->reloadTrustedDevices();
    }
    std::optional<std::string> waiting() const
    {
        const auto& request = receiver->consentRequest().get();
        return request ? std::optional(request->displayName) : std::nullopt;
    }
    bool trusted(const PeerID& peer) const
    {
        const auto& devices = receiver->trustedDevices().get();
        return std::any_of(devices.begin(), devices.end(), [&](const TrustedDevice& device) {
            return device.fingerprint == peer.fingerprint;
        });
    }

    VirtualScheduler scheduler;
    FakePeerFramework framework;
    InMemoryUserDefaults defaults;
    FixedHostNames hostNames { "Desk", "desk" };
    WallTime now = parseStoredTime("2026-05-06T07:08:09Z").value();
    std::shared_ptr<MCReceiverMac> receiver
        = MCReceiverMac::create(scheduler, framework, defaults, hostNames, [this] { return now; });
};

class PeerConsentTest : public ::testing::Test, public ConsentRig { };

TEST_F(PeerConsentTest, ATrustedControllerJoinsAtOnceWhileNobodyIsConnected)
{
    EXPECT_EQ(invite(kTrusted), InvitationDecision::Accept);
    const auto& alice = receiver->trustedDevices()->front();
    EXPECT_EQ(alice.name, "Alice's phone") << "the name it used is kept";
    EXPECT_EQ(alice.lastSeen, now);

    session().join(kTrusted);
    trustFromOutside(kUnknown);
    EXPECT_EQ(invite(kUnknown), InvitationDecision::Decline) << "one controller at a time";
    EXPECT_EQ(invite(kOtherUnknown), InvitationDecision::Decline) << "no question while connected";
    EXPECT_EQ(waiting(), std::nullopt);
    session().leave(kTrusted);
    EXPECT_EQ(invite(kUnknown), InvitationDecision::Accept);
    EXPECT_TRUE(advertiser().lines.empty()) << "nothing was held";
}

TEST_F(PeerConsentTest, AControllerWithoutAProperIdentityIsDeclinedWithoutAQuestion)
{
    for (const auto& fingerprint : { std::string(), std::string(64, 'A'), std::string(63, 'b') }) {
        EXPECT_EQ(invite({ 9, "Nameless", fingerprint, "000000" }), InvitationDecision::Decline)
            << fingerprint;
    }
    EXPECT_EQ(waiting(), std::nullopt);
}

TEST_F(PeerConsentTest, AnUnknownControllerIsHeldAndAskedAboutOneAtATime)
{
    EXPECT_EQ(invite(kUnknown), InvitationDecision::Hold);
    ASSERT_TRUE(receiver->consentRequest()->has_value());
    EXPECT_EQ(*receiver->consentRequest().get(), kUnknown)
        << "name, fingerprint and code published";
    EXPECT_EQ(invite(kUnknown), InvitationDecision::Decline) << "one request per controller";
    EXPECT_EQ(waiting(), "Bob's phone");
    EXPECT_TRUE(advertiser().lines.empty()) << "nothing answered yet";
}

TEST_F(PeerConsentTest, TheRequestEndsByAnswerTimeOrDepartureAndCoolsDownWhenDeclined)
{
    struct Row {
        const char* shows;
        std::function<void(ConsentRig&)> end;
        Lines answers;
        bool bobTrusted;
        // Bob's next invitation, right after the end: held again, declined for a minute, or
        // accepted as a trusted controller.
        InvitationDecision next;
    };
    const std::vector<Row> rows {
        { "allowed",
          [](auto& t) { t.receiver->answerConsentRequest(ConsentAnswer::Allow); },
          { "answer Bob's phone accepted" },
          true,
          InvitationDecision::Accept },
        { "declined",
          [](auto& t) { t.receiver->answerConsentRequest(ConsentAnswer::Decline); },
          { "answer Bob's phone declined" },
          false,
          InvitationDecision::Decline },
        { "unanswered for 30 s",
          [](auto& t) { t.scheduler.advance(Seconds(30)); },
          { "answer Bob's phone declined" },
          false,
          InvitationDecision::Decline },
        { "Bob went away",
          [](auto& t) { t.advertiser().heldPeerLeaves(kUnknown); },
          {},
          false,
          InvitationDecision::Hold },
        { "advertising switched off",
          [](auto& t) { t.receiver->stopAdvertising(); },
          { "answer Bob's phone declined" },
          false,
          InvitationDecision::Hold },
        { "trusted from outside",
          [](auto& t) { t.trustFromOutside(kUnknown); },
          { "answer Bob's phone accepted" },
          true,
          InvitationDecision::Accept },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        ConsentRig t;
        ASSERT_EQ(t.invite(kUnknown), InvitationDecision::Hold);
        t.advertiser().lines.clear();
        t.scheduler.advance(Seconds(29.9));
        ASSERT_EQ(t.waiting(), "Bob's phone") << "still asking just before the timeout";

        row.end(t);
        EXPECT_EQ(t.waiting(), std::nullopt);
        auto answers = std::exchange(t.advertiser().lines, {});
        std::erase(answers, "stop");
        EXPECT_EQ(answers, row.answers);
        EXPECT_EQ(t.trusted(kUnknown), row.bobTrusted);
        if (row.bobTrusted) {
            const auto& devices = t.receiver->trustedDevices().get();
            const auto bob = std::find_if(devices.begin(), devices.end(), [](const auto& device) {
                return device.fingerprint == kUnknown.fingerprint;
            });
            ASSERT_NE(bob, devices.end());
            EXPECT_EQ(bob->name, "Bob's phone") << "it joined under the name it asked with";
            EXPECT_EQ(bob->lastSeen, t.now);
        }
        t.scheduler.advance(Seconds(1));
        EXPECT_TRUE(t.advertiser().lines.empty()) << "the timer ended with the request";
        EXPECT_EQ(t.invite(kUnknown), row.next);
    }
}

TEST_F(PeerConsentTest, ADeclinedControllerIsTurnedAwayWithoutAQuestionForAMinute)
{
    ASSERT_EQ(invite(kUnknown), InvitationDecision::Hold);
    receiver->answerConsentRequest(ConsentAnswer::Decline);
    scheduler.advance(Seconds(59.9));
    EXPECT_EQ(invite(kUnknown), InvitationDecision::Decline);
    EXPECT_EQ(invite(kOtherUnknown), InvitationDecision::Hold) << "only the declined one waits";
    receiver->answerConsentRequest(ConsentAnswer::Decline);
    scheduler.advance(Seconds(0.1));
    EXPECT_EQ(invite(kUnknown), InvitationDecision::Hold);
    EXPECT_EQ(waiting(), "Bob's phone");
}

TEST(PeerConsentTable, AControllerLetInDuringAQuestionTakesThePlace)
{
    auto paired = kOtherUnknown;
    paired.introduction = PeerIntroduction::PairingCode;
    const std::pair<const char*, PeerID> rows[] = {
        { "a trusted controller", kTrusted },
        { "a browser with the pairing code", paired },
    };
    for (const auto& [shows, peer] : rows) {
        ConsentRig t;
        ASSERT_EQ(t.invite(kUnknown), InvitationDecision::Hold) << shows;
        EXPECT_EQ(t.invite(peer), InvitationDecision::Accept) << shows;
        EXPECT_EQ(t.advertiser().lines, Lines { "answer Bob's phone declined" }) << shows;
        EXPECT_EQ(t.waiting(), std::nullopt) << shows;
        t.session().leave(peer);
        EXPECT_EQ(t.invite(kUnknown), InvitationDecision::Hold) << shows << ": no cool-down";
    }
}

TEST_F(PeerConsentTest, AllowingWhileAnotherControllerGotInIsDeclined)
{
    ASSERT_EQ(invite(kUnknown), InvitationDecision::Hold);
    session().join(kOtherUnknown); // cannot happen through invitations; the place is checked anyway
    receiver->answerConsentRequest(ConsentAnswer::Allow);
    EXPECT_EQ(advertiser().lines, Lines { "answer Bob's phone declined" });
    EXPECT_FALSE(trusted(kUnknown));
}

TEST_F(PeerConsentTest, RevokingTheConnectedControllerEndsItsSessionAtOnce)
{
    trustFromOutside(kUnknown);
    session().join(kTrusted);
    receiver->revokeTrustedDevice(kUnknown.fingerprint);
    EXPECT_TRUE(session().lines.empty()) << "another device's revocation leaves it alone";

    receiver->revokeTrustedDevice(kTrusted.fingerprint);
    EXPECT_EQ(session().lines, Lines { "disconnect" });
    EXPECT_FALSE(trusted(kTrusted));
    EXPECT_EQ(invite(kTrusted), InvitationDecision::Hold) << "asked about again";

    // The same from another process: the store loses Alice's entry.
    trustFromOutside(kTrusted);
    session().join(kTrusted);
    session().lines.clear();
    defaults.setObject(TrustedDevices::kKey, json::object());
    receiver->reloadTrustedDevices();
    EXPECT_EQ(session().lines, Lines { "disconnect" });
}

TEST_F(PeerConsentTest, BrowsersAreTrustedByPairingCodeAndRefusedOnceRemoved)
{
    auto paired = kUnknown;
    paired.introduction = PeerIntroduction::PairingCode;
    auto claimed = kOtherUnknown;
    claimed.introduction = PeerIntroduction::KnownOnly;

    EXPECT_EQ(invite(claimed), InvitationDecision::Decline) << "a credential nobody trusts";
    EXPECT_EQ(waiting(), std::nullopt) << "and no question about it";

    EXPECT_EQ(invite(paired), InvitationDecision::Accept) << "the code shown was the consent";
    EXPECT_TRUE(trusted(paired));
    EXPECT_EQ(receiver->trustedDevices()->front().name, "Bob's phone");

    auto returning = paired;
    returning.introduction = PeerIntroduction::KnownOnly;
    EXPECT_EQ(invite(returning), InvitationDecision::Accept) << "its credential next time";
    receiver->revokeTrustedDevice(paired.fingerprint);
    EXPECT_EQ(invite(returning), InvitationDecision::Decline);
    EXPECT_EQ(waiting(), std::nullopt);
}

// A stranger at one address asks every 30 s with a new certificate; a controller at another
// address asks once, `at` seconds in, and is asked about `waits` seconds later.
TEST_F(PeerConsentTest, OneAddressAskingAgainAndAgainCannotKeepTheQuestion)
{
    struct Row {
        const char* shows;
        double at;
        double waits;
    };
    const Row rows[] = {
        { "just after the stranger was asked", 0.5, 29.5 },
        { "just before its question runs out", 29.9, 0.1 },
        { "as it runs out and the stranger asks again", 30, 0 },
        { "while the stranger's address cools down", 45, 0 },
        { "during the stranger's next question", 95, 25 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        ConsentRig t;
        auto genuine = kUnknown;
        genuine.address = "192.0.2.7";
        std::optional<double> asked;
        const auto watch = t.receiver->consentRequest().subscribe([&](const auto& request) {
            if (request && request->token == genuine.token && !asked)
                asked = t.scheduler.now().count();
        });
        for (int tenth = 0; tenth <= 1500; ++tenth) {
            t.scheduler.advance(Seconds(tenth / 10.0) - t.scheduler.now());
            if (tenth % 300 == 0) {
                const auto n = static_cast<std::uint64_t>(tenth / 300);
                t.invite({ 100 + n, "Stranger", std::string(63, 'e') + char('0' + n), "999999",
                           PeerIntroduction::AskIfUnknown, "192.0.2.66" });
            }
            if (tenth == std::lround(row.at * 10))
                t.invite(genuine);
        }
        ASSERT_TRUE(asked);
        EXPECT_NEAR(*asked - row.at, row.waits, 1e-6);
    }
}

TEST_F(PeerConsentTest, EachAddressHoldsOneRequestAndOneWaitsForTheNextTurn)
{
    const auto from = [](PeerID peer, const char* address) {
        peer.address = address;
        return peer;
    };
    const auto bob = from(kUnknown, "192.0.2.1");
    auto bobsOtherPhone = from(kOtherUnknown, "192.0.2.1");
    auto carol = from(kOtherUnknown, "192.0.2.2");
    auto dave = from({ 4, "Dave's pad", std::string(64, 'd'), "444444" }, "192.0.2.3");
    ASSERT_EQ(invite(bob), InvitationDecision::Hold);
    EXPECT_EQ(invite(bobsOtherPhone), InvitationDecision::Decline) << "one request per address";
    EXPECT_EQ(invite(carol), InvitationDecision::Hold) << "waits for the next turn";
    EXPECT_EQ(invite(dave), InvitationDecision::Decline) << "the next turn is taken";
    EXPECT_EQ(waiting(), "Bob's phone");

    receiver->answerConsentRequest(ConsentAnswer::Decline);
    EXPECT_EQ(waiting(), "Carol's pad") << "asked at once, with a full answer window";
    scheduler.advance(Seconds(29.9));
    EXPECT_EQ(waiting(), "Carol's pad");
    EXPECT_EQ(invite(from(dave, "192.0.2.1")), InvitationDecision::Decline)
        << "Bob's address cools down whatever certificate it shows";
    advertiser().heldPeerLeaves(carol);
    EXPECT_EQ(waiting(), std::nullopt);
    EXPECT_EQ(invite(dave), InvitationDecision::Hold) << "leaving starts no cool-down";

    ASSERT_EQ(invite(carol), InvitationDecision::Hold);
    receiver->answerConsentRequest(ConsentAnswer::Allow);
    EXPECT_EQ(advertiser().lines,
              (Lines { "answer Bob's phone declined", "answer Carol's pad declined",
                       "answer Dave's pad accepted" }))
        << "the waiting request ends when the place is taken";

    // Beyond the advertiser's limits no question opens (and closes at once).
    int questions = 0;
    const auto watch = receiver->consentRequest().subscribe([&](const auto&) { ++questions; });
    advertiser().holdRoom = false;
    EXPECT_EQ(invite(carol), InvitationDecision::Decline);
    EXPECT_EQ(questions, 0);
}

} // namespace
} // namespace kavora::test
