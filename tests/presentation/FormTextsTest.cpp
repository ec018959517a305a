#include "presentation/FormTexts.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(FormTexts, HeadersCarryTheirCountsAndLimits)
{
    struct Row {
        const char* shows;
        std::string text;
        std::string expected;
    };
    const Row rows[] = {
        { "registration limit", registeredAppsHeader(), "アプリ登録（最大10個）" },
        { "no top button", systemButtonsHeader(0), "上部ボタン（0/3）" },
        { "top buttons at the limit", systemButtonsHeader(3), "上部ボタン（3/3）" },
        { "top-button note", systemButtonsNote(),
          "ランチャー上部に表示するボタンを最大3個まで選べます。" },
        { "two sites", favoriteSitesHeader(2), "お気に入りサイト（2/10）" },
        { "sites at the limit", favoriteSitesHeader(10), "お気に入りサイト（10/10）" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        EXPECT_EQ(row.text, row.expected);
    }
}

TEST(FormTexts, VersionNamesThisPlatform)
{
    EXPECT_EQ(versionText("1.2"), "1.2 (Linux)");
    EXPECT_EQ(versionText(std::nullopt), "? (Linux)");
}

TEST(FormTexts, BrowserNamesAndPickerChoices)
{
    struct Row {
        const char* shows;
        std::optional<std::string> browserBundleId;
        std::string name;
    };
    const Row rows[] = {
        { "Chrome", "com.google.Chrome", "Chrome" },
        { "Safari", "com.apple.Safari", "Safari" },
        { "no browser: the default", std::nullopt, "デフォルト" },
        { "another browser: the default", "org.mozilla.firefox", "デフォルト" },
        { "ids are compared exactly", "com.apple.safari", "デフォルト" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        EXPECT_EQ(browserName(row.browserBundleId), row.name);
    }
    // Each choice is named in rows as the picker names it.
    const auto& choices = browserChoices();
    ASSERT_EQ(choices.size(), 3U);
    EXPECT_EQ(choices[0].label, "デフォルト");
    for (const auto& choice : choices)
        EXPECT_EQ(browserName(choice.browserBundleId), choice.label);
}

} // namespace
} // namespace kavora
