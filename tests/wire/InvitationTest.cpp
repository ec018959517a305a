// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

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
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        { "hello", "not an invitation" },
        { R"({"heartbeat":{}})", "not an invitation" },
        { R"([{"invitation":{"displayName":"x"}}])", "not an invitation" },
        { R"({"invitation":"x"})", "not an invitation" },
        { "{\"invitation\":{\"displayName\":\"\xff\"}}", "not an invitation" },
        { R"({"invitation":{}})", "the invitation has no display name" },
        { R"({"invitation":{"displayName":7}})", "the invitation has no display name" },
        { R"({"invitation":{"displayName":"\n\t\u202e"}})", "the invitation has an empty display name" },
        { std::string(R"({"invitation":{"displayName":"Pad"}})") + '\0' + "{{{", "not an invitation" },
        { R"({"invitation":{"displayName":"Pad","version":3},"extra":true})", "Pad" },
    };
    // clang-format on
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

TEST(InvitationTest, BrowserInvitationSaysHowTheBrowserIsKnown)
{
    using Row = std::tuple<std::string, std::string, std::optional<std::string>,
                           std::optional<std::string>>;
    // clang-format off
    const Row rows[] = {
        { R"({"invitation":{"displayName":"Chrome · Android"}})", "Chrome · Android", std::nullopt, std::nullopt },
        { R"({"invitation":{"displayName":"A","credential":"Y3JlZA"}})", "A", "Y3JlZA", std::nullopt },
        { R"({"invitation":{"displayName":"A","pairingToken":"dG9r"}})", "A", std::nullopt, "dG9r" },
        { R"({"invitation":{"displayName":"A","credential":7}})", "the invitation's credential is not a string", std::nullopt, std::nullopt },
        { R"({"invitation":{"displayName":"A","pairingToken":null}})", "the invitation's pairingToken is not a string", std::nullopt, std::nullopt },
        { R"({"invitation":{"credential":"Y3JlZA"}})", "the invitation has no display name", std::nullopt, std::nullopt },
    };
    // clang-format on
    for (const auto& [payload, nameOrError, credential, token] : rows) {
        const auto decoded = decodeBrowserInvitation(payload);
        EXPECT_EQ(decoded ? decoded.value().displayName : decoded.error(), nameOrError) << payload;
        if (decoded) {
            EXPECT_EQ(decoded.value().credential, credential) << payload;
            EXPECT_EQ(decoded.value().pairingToken, token) << payload;
        }
    }
}

} // namespace
} // namespace kavora
