// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/ControllerRig.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using Lines = std::vector<std::string>;

const PeerID kPad { 11, "Pad", std::string(64, 'd'), "123456" };

// The consent as the views reach it: through the controller's views and operations. The rules
// themselves are tested with the link (PeerConsentTest).
class MacControllerConsentTest : public ::testing::Test, public ControllerRig {
protected:
    void SetUp() override
    {
        start();
        controller->setAdvertising(true);
    }
};

TEST_F(MacControllerConsentTest, AnAllowedControllerStartsLikeATrustedOneWithTheThreePushes)
{
    ASSERT_EQ(framework.advertiser->invite(kPad), InvitationDecision::Hold);
    EXPECT_EQ(controller->consentRequest().get(), kPad);

    controller->answerConsentRequest(ConsentAnswer::Allow);
    EXPECT_EQ(framework.advertiser->lines.back(), "answer Pad accepted");
    EXPECT_EQ(controller->consentRequest().get(), std::nullopt);
    ASSERT_EQ(controller->trustedDevices()->size(), 1U);
    EXPECT_EQ(controller->trustedDevices()->front().name, "Pad");

    // The backend joins the accepted controller to the session, as it does a trusted one.
    framework.session->join(kPad);
    scheduler.advance(Seconds(0.4));
    EXPECT_TRUE(sent("Pad").empty());
    scheduler.advance(Seconds(0.1));
    const auto pushed = sent("Pad");
    ASSERT_EQ(pushed.size(), 3U);
    EXPECT_TRUE(pushed[0].starts_with(R"({"registeredAppList":)"));
    EXPECT_TRUE(pushed[1].starts_with(R"({"systemButtons":)"));
    EXPECT_TRUE(pushed[2].starts_with(R"({"favoriteSites":)"));
}

} // namespace
} // namespace kavora::test
