// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/PairingTokens.h"

#include "core/Base64.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using namespace std::chrono_literals;

class PairingTokensTest : public ::testing::Test {
protected:
    // Counts up, so that each code differs and a test can tell which it got.
    Bytes nextBytes(std::size_t count)
    {
        Bytes bytes(count, 0);
        bytes.back() = ++issued;
        return bytes;
    }

    test::VirtualScheduler scheduler;
    std::uint8_t issued = 0;
    PairingTokens tokens { scheduler, [this](std::size_t count) { return nextBytes(count); } };
};

TEST_F(PairingTokensTest, CodeIs128BitsOfBase64Url)
{
    const auto token = tokens.issue();
    EXPECT_EQ(token.size(), 22U);
    EXPECT_EQ(decodeBase64Url(token)->size(), 16U);
    EXPECT_EQ(*tokens.newest(), token);
}

TEST_F(PairingTokensTest, GoodOnceWithinItsLifetime)
{
    const auto token = tokens.issue();
    scheduler.advance(PairingTokens::kLifetime - 1s);
    EXPECT_FALSE(tokens.redeem("AAAAAAAAAAAAAAAAAAAAAA")) << "never issued";
    EXPECT_TRUE(tokens.redeem(token));
    EXPECT_FALSE(tokens.redeem(token)) << "used";
    EXPECT_EQ(*tokens.newest(), "") << "the one shown was used";

    const auto late = tokens.issue();
    scheduler.advance(PairingTokens::kLifetime);
    EXPECT_EQ(*tokens.newest(), "") << "published as gone when it expires, unasked";
    EXPECT_FALSE(tokens.redeem(late));
}

TEST_F(PairingTokensTest, OnlyTheNewestFewStayValid)
{
    std::vector<std::string> issuedTokens;
    for (std::size_t i = 0; i <= PairingTokens::kMaxLive; ++i)
        issuedTokens.push_back(tokens.issue());
    EXPECT_FALSE(tokens.redeem(issuedTokens.front())) << "pushed out by the newer ones";
    EXPECT_TRUE(tokens.redeem(issuedTokens[1]));
    EXPECT_EQ(*tokens.newest(), issuedTokens.back()) << "an older one used leaves the newest";
    EXPECT_TRUE(tokens.redeem(issuedTokens.back()));
    EXPECT_EQ(*tokens.newest(), "") << "an older one still valid is not shown again";
    EXPECT_TRUE(tokens.redeem(issuedTokens[2]));
}

} // namespace
} // namespace kavora
