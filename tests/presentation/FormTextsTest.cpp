// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/FormTexts.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(FormTexts, HeadersCarryTheirCountsAndLimitsAndTheVersionNamesThisPlatform)
{
    EXPECT_EQ(registeredAppsHeader(), "アプリ登録（最大10個）");
    EXPECT_EQ(systemButtonsHeader(0), "上部ボタン（0/3）");
    EXPECT_EQ(systemButtonsHeader(3), "上部ボタン（3/3）");
    EXPECT_EQ(systemButtonsNote(), "ランチャー上部に表示するボタンを最大3個まで選べます。");
    EXPECT_EQ(favoriteSitesHeader(2), "お気に入りサイト（2/10）");
    EXPECT_EQ(favoriteSitesHeader(10), "お気に入りサイト（10/10）");
    EXPECT_EQ(versionText("1.2"), "1.2 (Linux)");
    EXPECT_EQ(versionText(std::nullopt), "? (Linux)");
}

TEST(FormTexts, BrowserNamesAndPickerChoices)
{
    const std::pair<std::optional<std::string>, std::string> rows[] = {
        { "com.google.Chrome", "Chrome" },
        { "com.apple.Safari", "Safari" },
        { std::nullopt, "デフォルト" },
        { "org.mozilla.firefox", "デフォルト" }, // another browser: the default
        { "com.apple.safari", "デフォルト" }, // ids are compared exactly
    };
    for (const auto& [browser, name] : rows)
        EXPECT_EQ(browserName(browser), name) << browser.value_or("none");
    // Each choice is named in rows as the picker names it.
    const auto& choices = browserChoices();
    ASSERT_EQ(choices.size(), 3U);
    EXPECT_EQ(choices[0].label, "デフォルト");
    for (const auto& choice : choices)
        EXPECT_EQ(browserName(choice.browserBundleId), choice.label);
}

} // namespace
} // namespace kavora
