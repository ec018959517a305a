// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/ConsentTexts.h"

#include "support/TextLanguage.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

const std::string kFingerprint = "0123" + std::string(56, 'e') + "6789";

TEST(ConsentTexts, ANameIsShownAndNeverReplacedByHex)
{
    EXPECT_EQ(consentHeadline({ 1, "Pad", kFingerprint, "123456" }),
              "「Pad」がこのコンピュータの操作を求めています");
    EXPECT_EQ(consentHeadline({ 1, "", kFingerprint, "123456" }),
              "「名前のない端末」がこのコンピュータの操作を求めています");
    const TrustedDevice seen { kFingerprint, "Pad", {}, std::chrono::sys_seconds {} };
    const TrustedDevice unseen { kFingerprint, "", {}, std::nullopt };
    EXPECT_EQ(trustedDeviceDetail(seen, "2026/05/06 07:08"),
              "最終接続 2026/05/06 07:08 · 0123…6789");
    EXPECT_EQ(trustedDeviceDetail(unseen, "unused"), "未接続 · 0123…6789");
}

TEST(ConsentTexts, CodesAreGroupedOnlyWhenTheyHaveSixDigits)
{
    const std::pair<std::string, std::string> rows[] = {
        { "123456", "123 456" },
        { "12345", "12345" },
        { "", "" },
    };
    for (const auto& [code, shown] : rows)
        EXPECT_EQ(verificationCodeText(code), shown) << code;
}

TEST(ConsentTexts, TheHeadlessReceiverPrintsTheCommandThatAllowsTheController)
{
    test::readTextsAs("en_US.UTF-8"); // a session in English
    const PeerID pad { 1, "Pad", kFingerprint, "123456" };
    EXPECT_EQ(consentAnnouncement(pad),
              "kavora: controller \"Pad\" asks to control this computer\n"
              "  verification code: 123456 (the controller shows the same code)\n"
              "  fingerprint:       "
                  + kFingerprint
                  + "\n"
                    "  to allow it, run:  kavora devices allow "
                  + kFingerprint
                  + "\n"
                    "  (declined unless allowed within 30 s)\n");
    EXPECT_EQ(consentLogLine(pad),
              "kavora: controller \"Pad\" asks to control this computer (code 123456, "
              "fingerprint "
                  + kFingerprint + "); allow it with: kavora devices allow " + kFingerprint);
    test::readTextsAs("ja_JP.UTF-8");
}

} // namespace
} // namespace kavora
