#include "ProtocolTesting.h"
#include "protocol/CanonicalText.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kavora::test {
namespace {

struct TextRow {
    const char* name;
    std::string_view a;
    std::string_view b;
    bool equivalent;
};

// Test names and failure messages show the row's name rather than its bytes.
void PrintTo(const TextRow& row, std::ostream* out)
{
    *out << row.name;
}

// clang-format off
const TextRow kTexts[] = {
    { "PrecomposedAndCombiningAcute", "Caf\u00E9", "Cafe\u0301", true },
    { "HangulSyllableAndJamo", "\uD55C", "\u1112\u1161\u11AB", true },
    { "OhmSignAndOmega", "\u2126", "\u03A9", true },
    { "CombiningMarksInEitherOrder", "a\u0301\u0323", "a\u0323\u0301", true },
    { "NulInsideText", std::string_view("\u00E9\0x", 4), std::string_view("e\u0301\0x", 5), true },
    { "DifferentAccent", "Caf\u00E9", "Caf\u00E8", false },
    { "CompatibilityOnlyLigature", "\uFB01", "fi", false },
    { "DifferentAscii", "copy", "Copy", false },
    { "PrefixIsNotEqual", "e\u0301", "e", false },
    { "InvalidUtf8ByBytes", "\xFF\xFE", "\xFF\xFE", true },
    { "InvalidUtf8NeverEquivalentToOther", "\xFF", "\xC3\xBF", false },
    { "InvalidUtf8NeverEquivalentToEmpty", "", "\xFF", false },
};
// clang-format on

class CanonicalText : public testing::TestWithParam<TextRow> { };

TEST_P(CanonicalText, ComparesUnderCanonicalEquivalence)
{
    EXPECT_EQ(canonicallyEqual(GetParam().a, GetParam().b), GetParam().equivalent);
    EXPECT_EQ(canonicallyEqual(GetParam().b, GetParam().a), GetParam().equivalent);
}

INSTANTIATE_TEST_SUITE_P(Texts, CanonicalText, testing::ValuesIn(kTexts),
                         [](const testing::TestParamInfo<TextRow>& row) { return row.param.name; });

FavoriteSite cafe()
{
    return { "https://cafe.example", "https://cafe.example/", "Caf\u00E9",
             "org.mozilla.firefox",  Bytes { 1, 2, 3 },       false };
}

TEST(RecordEquality, SiteComparesEveryField)
{
    FavoriteSite decomposed = cafe();
    decomposed.name = "Cafe\u0301";
    EXPECT_EQ(cafe(), decomposed);

    const auto differs = [](auto change) {
        FavoriteSite other = cafe();
        change(other);
        return !(other == cafe()) && cafe() != other;
    };
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.id = "https://cafe.example/"; }));
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.url = "https://cafe.example"; }));
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.name = "Cafe"; }));
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.browserBundleId.reset(); }));
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.browserBundleId = ""; }));
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.iconPNG.reset(); }));
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.iconPNG = Bytes { 1, 2 }; }));
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.iconPNG = Bytes { 1, 2, 4 }; }));
    EXPECT_TRUE(differs([](FavoriteSite& s) { s.userNamed = true; }));

    FavoriteSite noIconA = cafe();
    FavoriteSite noIconB = cafe();
    noIconA.iconPNG.reset();
    noIconB.iconPNG.reset();
    noIconA.browserBundleId.reset();
    noIconB.browserBundleId.reset();
    EXPECT_EQ(noIconA, noIconB);
}

TEST(RecordEquality, ButtonComparesEveryFieldAndTheAction)
{
    const SystemButton copy { "copy", "Copy", "doc.on.doc", "3B9EDB", macro::Shortcut { 8, 6 } };
    EXPECT_EQ(copy, copy);
    const auto differs = [&copy](auto change) {
        SystemButton other = copy;
        change(other);
        return other != copy;
    };
    EXPECT_TRUE(differs([](SystemButton& b) { b.id = "paste"; }));
    EXPECT_TRUE(differs([](SystemButton& b) { b.label = "copy"; }));
    EXPECT_TRUE(differs([](SystemButton& b) { b.sfSymbol = "doc"; }));
    EXPECT_TRUE(differs([](SystemButton& b) { b.colorHex = "3b9edb"; }));
    EXPECT_TRUE(differs([](SystemButton& b) { b.action = macro::Shortcut { 8, 7 }; }));
}

TEST(RecordEquality, ActionIsSameCaseAndEqualPayload)
{
    const MacroAction shortcut = macro::Shortcut { 8, 6 };
    EXPECT_TRUE(shortcut == MacroAction(macro::Shortcut { 8, 6 }));
    EXPECT_FALSE(shortcut == MacroAction(macro::Shortcut { 8, 7 }));
    EXPECT_FALSE(shortcut == MacroAction(macro::Shortcut { 9, 6 }));
    EXPECT_FALSE(shortcut == MacroAction(macro::TextInput { "" }));
    EXPECT_TRUE(MacroAction(macro::MissionControl {}) == MacroAction(macro::MissionControl {}));
    EXPECT_FALSE(MacroAction(macro::MissionControl {}) == shortcut);
    EXPECT_TRUE(MacroAction(macro::TextInput { "\u00C5" })
                == MacroAction(macro::TextInput { "A\u030A" }));
    EXPECT_FALSE(MacroAction(macro::TextInput { "a" }) == MacroAction(macro::TextInput { "b" }));
    const MacroAction files = macro::LaunchApp { "org.gnome.Nautilus", "Fil\u00E9s" };
    EXPECT_TRUE(files == MacroAction(macro::LaunchApp { "org.gnome.Nautilus", "File\u0301s" }));
    EXPECT_FALSE(files == MacroAction(macro::LaunchApp { "org.gnome.Files", "Fil\u00E9s" }));
    EXPECT_FALSE(files == MacroAction(macro::LaunchApp { "org.gnome.Nautilus", "Files" }));
}

} // namespace
} // namespace kavora::test
