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

TEST(InvitationTest, RejectsWhatIsNotAnInvitation)
{
    struct Row {
        const char* shows;
        std::string payload;
        std::string error;
    };
    const std::vector<Row> rows {
        { "not JSON", "hello", "not an invitation" },
        { "a message instead", R"({"heartbeat":{}})", "not an invitation" },
        { "array", R"([{"invitation":{"displayName":"x"}}])", "not an invitation" },
        { "invitation not an object", R"({"invitation":"x"})", "not an invitation" },
        { "no name", R"({"invitation":{}})", "the invitation has no display name" },
        { "name not a string", R"({"invitation":{"displayName":7}})",
          "the invitation has no display name" },
        { "name of control characters only", R"({"invitation":{"displayName":"\n\t\u202e"}})",
          "the invitation has an empty display name" },
        { "invalid UTF-8", "{\"invitation\":{\"displayName\":\"\xff\"}}", "not an invitation" },
    };
    for (const auto& row : rows) {
        const auto decoded = decodeInvitation(row.payload);
        ASSERT_FALSE(decoded.ok()) << row.shows;
        EXPECT_EQ(decoded.error(), row.error) << row.shows;
    }
}

TEST(InvitationTest, IgnoresMembersAddedLater)
{
    const auto decoded
        = decodeInvitation(R"({"invitation":{"displayName":"Pad","version":3},"extra":true})");
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.value(), "Pad");
}

TEST(InvitationTest, AnswersRoundTrip)
{
    EXPECT_EQ(encodeInvitationAnswer(InvitationAnswer::Accepted),
              R"({"invitationAnswer":{"accepted":true}})");
    for (auto answer : { InvitationAnswer::Accepted, InvitationAnswer::Declined }) {
        const auto decoded = decodeInvitationAnswer(encodeInvitationAnswer(answer));
        ASSERT_TRUE(decoded.ok());
        EXPECT_EQ(decoded.value(), answer);
    }
    EXPECT_FALSE(decodeInvitationAnswer(R"({"invitationAnswer":{"accepted":"yes"}})").ok());
    EXPECT_FALSE(decodeInvitationAnswer(R"({"heartbeat":{}})").ok());
}

} // namespace
} // namespace kavora
