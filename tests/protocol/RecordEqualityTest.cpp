// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ProtocolTesting.h"
#include "protocol/CanonicalText.h"

#include <gtest/gtest.h>

#include <functional>

namespace kavora::test {
namespace {

TEST(CanonicalText, ComparesUnderCanonicalEquivalence)
{
    struct Row {
        const char* name;
        std::string_view a;
        std::string_view b;
        bool equivalent;
    };
    // clang-format off
    const Row rows[] = {
        { "precomposed and combining acute", "Caf\u00E9", "Cafe\u0301", true },
        { "Hangul syllable and jamo", "\uD55C", "\u1112\u1161\u11AB", true },
        { "ohm sign and omega", "\u2126", "\u03A9", true },
        { "combining marks in either order", "a\u0301\u0323", "a\u0323\u0301", true },
        { "NUL inside text", std::string_view("\u00E9\0x", 4), std::string_view("e\u0301\0x", 5), true },
        { "different accent", "Caf\u00E9", "Caf\u00E8", false },
        { "compatibility-only ligature", "\uFB01", "fi", false },
        { "different ASCII", "copy", "Copy", false },
        { "a prefix is not equal", "e\u0301", "e", false },
        { "invalid UTF-8 by bytes", "\xFF\xFE", "\xFF\xFE", true },
        { "invalid UTF-8 never equivalent to other text", "\xFF", "\xC3\xBF", false },
        { "invalid UTF-8 never equivalent to empty text", "", "\xFF", false },
    };
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_EQ(canonicallyEqual(row.a, row.b), row.equivalent) << row.name;
        EXPECT_EQ(canonicallyEqual(row.b, row.a), row.equivalent) << row.name;
    }
}

TEST(RecordEquality, SiteComparesEveryField)
{
    const FavoriteSite cafe { "https://cafe.example", "https://cafe.example/", "Caf\u00E9",
                              "org.mozilla.firefox",  Bytes { 1, 2, 3 },       false };
    FavoriteSite decomposed = cafe;
    decomposed.name = "Cafe\u0301";
    EXPECT_EQ(cafe, decomposed);
    // clang-format off
    const std::function<void(FavoriteSite&)> changes[] = {
        [](FavoriteSite& s) { s.id = "https://cafe.example/"; },
        [](FavoriteSite& s) { s.url = "https://cafe.example"; },
        [](FavoriteSite& s) { s.name = "Cafe"; },
        [](FavoriteSite& s) { s.browserBundleId.reset(); },
        [](FavoriteSite& s) { s.browserBundleId = ""; },
        [](FavoriteSite& s) { s.iconPNG.reset(); },
        [](FavoriteSite& s) { s.iconPNG = Bytes { 1, 2 }; },
        [](FavoriteSite& s) { s.iconPNG = Bytes { 1, 2, 4 }; },
        [](FavoriteSite& s) { s.userNamed = true; },
    };
    // clang-format on
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        FavoriteSite other = cafe;
        changes[i](other);
        EXPECT_FALSE(other == cafe) << "change " << i;
        EXPECT_TRUE(cafe != other) << "change " << i;
    }
    FavoriteSite bare = cafe;
    bare.iconPNG.reset();
    bare.browserBundleId.reset();
    EXPECT_EQ(bare, FavoriteSite(bare));
}

TEST(RecordEquality, ButtonComparesEveryFieldAndTheAction)
{
    const SystemButton copy { "copy", "Copy", "doc.on.doc", "3B9EDB", macro::Shortcut { 8, 6 } };
    EXPECT_EQ(copy, SystemButton(copy));
    // clang-format off
    const std::function<void(SystemButton&)> changes[] = {
        [](SystemButton& b) { b.id = "paste"; },
        [](SystemButton& b) { b.label = "copy"; },
        [](SystemButton& b) { b.sfSymbol = "doc"; },
        [](SystemButton& b) { b.colorHex = "3b9edb"; },
        [](SystemButton& b) { b.action = macro::Shortcut { 8, 7 }; },
    };
    // clang-format on
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SystemButton other = copy;
        changes[i](other);
        EXPECT_NE(other, copy) << "change " << i;
    }
}

TEST(RecordEquality, ActionIsSameCaseAndEqualPayload)
{
    using A = MacroAction;
    const A shortcut = macro::Shortcut { 8, 6 };
    const A files = macro::LaunchApp { "org.gnome.Nautilus", "Fil\u00E9s" };
    EXPECT_TRUE(shortcut == A(macro::Shortcut { 8, 6 }));
    EXPECT_FALSE(shortcut == A(macro::Shortcut { 8, 7 }));
    EXPECT_FALSE(shortcut == A(macro::Shortcut { 9, 6 }));
    EXPECT_FALSE(shortcut == A(macro::TextInput { "" }));
    EXPECT_TRUE(A(macro::MissionControl {}) == A(macro::MissionControl {}));
    EXPECT_FALSE(A(macro::MissionControl {}) == shortcut);
    EXPECT_TRUE(A(macro::TextInput { "\u00C5" }) == A(macro::TextInput { "A\u030A" }));
    EXPECT_FALSE(A(macro::TextInput { "a" }) == A(macro::TextInput { "b" }));
    EXPECT_TRUE(files == A(macro::LaunchApp { "org.gnome.Nautilus", "File\u0301s" }));
    EXPECT_FALSE(files == A(macro::LaunchApp { "org.gnome.Files", "Fil\u00E9s" }));
    EXPECT_FALSE(files == A(macro::LaunchApp { "org.gnome.Nautilus", "Files" }));
}

} // namespace
} // namespace kavora::test
