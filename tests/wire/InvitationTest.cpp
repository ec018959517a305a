#include "wire/Invitation.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(InvitationTest, RoundTripsTheDisplayNameAsSafeTextOfSixtyThreeBytes)
{
    const auto frame = encodeInvitation("Kenji's iPhone");
    EXPECT_EQ(frame, R"({"invitation":{"displayName":"Kenji's iPhone"}})");
    const auto decoded = decodeInvitation(frame);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.value(), "Kenji's iPhone");
    const auto hostile = decodeInvitation(R"({"invitation":{"displayName":"\u202eKenji\n)"
                                          + std::string(100, 'n') + R"("}})");
    ASSERT_TRUE(hostile.ok());
    EXPECT_EQ(hostile.value(), "Kenji " + std::string(57, 'n'));
}

TEST(InvitationTest, RejectsWhatIsNotAnInvitationAndIgnoresMembersAddedLater)
{
    const std::pair<std::string, std::string> rows[] = {
        { "hello", "not an invitation" },
        { R"({"heartbeat":{}})", "not an invitation" },
        { R"([{"invitation":{"displayName":"x"}}])", "not an invitation" },
        { R"({"invitation":"x"})", "not an invitation" },
        { "{\"invitation\":{\"displayName\":\"\xff\"}}", "not an invitation" },
        { R"({"invitation":{}})", "the invitation has no display name" },
        { R"({"invitation":{"displayName":7}})", "the invitation has no display name" },
        { R"({"invitation":{"displayName":"\n\t\u202e"}})",
          "the invitation has an empty display name" },
        { std::string(R"({"invitation":{"displayName":"Pad"}})") + '\0' + "{{{",
          "not an invitation" },
        { R"({"invitation":{"displayName":"Pad","version":3},"extra":true})", "Pad" },
    };
    for (const auto& [payload, expected] : rows) {
        const auto decoded = decodeInvitation(payload);
        EXPECT_EQ(decoded ? decoded.value() : decoded.error(), expected) << payload;
    }
}

TEST(InvitationTest, AnswersRoundTrip)
{
    EXPECT_EQ(encodeInvitationAnswer(InvitationAnswer::Accepted),
              R"({"invitationAnswer":{"accepted":true}})");
    EXPECT_EQ(encodeInvitationAnswer(InvitationAnswer::Pending),
              R"({"invitationAnswer":{"pending":true}})");
    for (auto answer :
         { InvitationAnswer::Accepted, InvitationAnswer::Declined, InvitationAnswer::Pending }) {
        const auto decoded = decodeInvitationAnswer(encodeInvitationAnswer(answer));
        ASSERT_TRUE(decoded.ok());
        EXPECT_EQ(decoded.value(), answer);
    }
    const auto final
        = decodeInvitationAnswer(R"({"invitationAnswer":{"pending":true,"accepted":false}})");
    ASSERT_TRUE(final.ok()) << "a final answer wins over a stray pending flag";
    EXPECT_EQ(final.value(), InvitationAnswer::Declined);
    EXPECT_FALSE(decodeInvitationAnswer(R"({"invitationAnswer":{"pending":false}})").ok());
    EXPECT_FALSE(decodeInvitationAnswer(R"({"invitationAnswer":{"accepted":"yes"}})").ok());
    EXPECT_FALSE(decodeInvitationAnswer(R"({"heartbeat":{}})").ok());
}

} // namespace
} // namespace kavora
