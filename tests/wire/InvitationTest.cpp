#include "wire/Invitation.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(InvitationTest, RoundTripsTheDisplayName)
{
    const auto frame = encodeInvitation("Kenji's iPhone");
    EXPECT_EQ(frame, R"({"invitation":{"displayName":"Kenji's iPhone"}})");
    const auto decoded = decodeInvitation(frame);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.value(), "Kenji's iPhone");
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

TEST(InvitationTest, CleansHostileNames)
{
    struct Row {
        const char* shows;
        std::string name;
        std::string expected;
    };
    const std::vector<Row> rows {
        { "plain", "Pad", "Pad" },
        { "line break and tab", "Pad\n2\t3", "Pad23" },
        { "bidi override", "Pad\u202Egnp.exe", "Padgnp.exe" },
        { "isolates and marks", "\u2066A\u2069\u200FB", "AB" },
        { "C1 control", "A\u0085B", "AB" },
        { "HTML stays text", "<b>Pad</b>", "<b>Pad</b>" },
        { "long name cut to 63 bytes", std::string(100, 'n'), std::string(63, 'n') },
    };
    for (const auto& row : rows)
        EXPECT_EQ(cleanPeerName(row.name), row.expected) << row.shows;
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
