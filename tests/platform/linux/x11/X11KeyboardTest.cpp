// What an X client gets when the event services post Mac keys, chords, text and media keys. The
// translation of each chord is shown by X11ChordTranslatorTest; these cases show the keys that
// arrive for it on a real keymap.

#include "X11InputTest.h"

#include "platform/linux/x11/X11ChordTranslator.h"
#include "platform/linux/x11/X11MacKeyTable.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <ostream>
#include <ranges>

namespace kavora::test {
namespace {

constexpr std::uint64_t kCmd = eventflag::kCommand;
constexpr std::uint64_t kShift = eventflag::kShift;

class X11KeyboardTest : public X11InputTest {
protected:
    bool post(std::uint16_t key, KeyState state, std::optional<std::uint64_t> flags = {})
    {
        return services_->postKey({ key, state, flags, std::nullopt });
    }

    // A key stroke as the injector posts it: the modifier keys down on their own, the key down
    // and up with the flags, the modifier keys up.
    void stroke(std::uint16_t key, std::uint64_t flags = 0)
    {
        const std::pair<std::uint64_t, std::uint16_t> modifiers[] = {
            { eventflag::kControl, 59 }, { kShift, 56 }, { eventflag::kAlternate, 58 }, { kCmd, 55 }
        };
        for (const auto& [flag, code] : modifiers) {
            if (flags & flag) {
                EXPECT_TRUE(post(code, KeyState::Down));
            }
        }
        EXPECT_TRUE(post(key, KeyState::Down, flags));
        EXPECT_TRUE(post(key, KeyState::Up, flags));
        for (const auto& [flag, code] : modifiers | std::views::reverse) {
            if (flags & flag) {
                EXPECT_TRUE(post(code, KeyState::Up));
            }
        }
    }

    // Text as the injector types it: one down/up pair per UTF-16 unit.
    void type(std::u16string_view units)
    {
        for (const char16_t unit : units) {
            services_->postKey({ 0, KeyState::Down, std::nullopt, unit });
            services_->postKey({ 0, KeyState::Up, std::nullopt, unit });
        }
    }

    // Saves the server's keymap, for a case that changes it: TearDown puts it back.
    bool saveKeymap()
    {
        keymap_ = (PrivateSession::instance().root() / "keymap.xkb").string();
        return runClient({ "xkbcomp", "-xkb", display_, keymap_ });
    }
    void TearDown() override
    {
        services_.reset(); // it gives its spare keycodes back
        if (!keymap_.empty())
            runClient({ "xkbcomp", keymap_, display_ });
    }

    X11TestClient::Event nextKeyDown()
    {
        const auto events
            = client_->takeUntil([](const auto& e) { return e.kind == Kind::KeyDown; });
        EXPECT_FALSE(events.empty()) << "no key arrived";
        return events.empty() ? X11TestClient::Event {} : events.back();
    }

    std::string keymap_;
};

struct ChordRow {
    const char* name;
    std::uint16_t key;
    std::uint64_t flags;
    Lines lines;
};

void PrintTo(const ChordRow& row, std::ostream* out)
{
    *out << row.name;
}

class X11KeyboardChords : public X11KeyboardTest, public testing::WithParamInterface<ChordRow> { };

TEST_P(X11KeyboardChords, ArriveAsTheLinuxChordAndLeaveNoKeyDown)
{
    stroke(GetParam().key, GetParam().flags);
    EXPECT_EQ(linesBeforeMark(), GetParam().lines);
    EXPECT_EQ(client_->keysDown(), std::vector<int> {});
}

const Lines kControlA { "down Control_L", "down a +Control", "up a +Control",
                        "up Control_L +Control" };

INSTANTIATE_TEST_SUITE_P(
    Rows, X11KeyboardChords,
    testing::Values(
        ChordRow { "PlainKeyIsPositional", 12, 0, { "down q", "up q" } },
        ChordRow {
            "ShiftedDigit",
            18,
            kShift,
            { "down Shift_L", "down exclam +Shift", "up exclam +Shift", "up Shift_L +Shift" } },
        ChordRow { "CommandIsControl", 0, kCmd, kControlA },
        ChordRow { "TwoModifiersPressInOrderAndReleaseInReverse",
                   6,
                   kCmd | kShift,
                   { "down Control_L", "down Shift_L +Control", "down Z +Shift+Control",
                     "up Z +Shift+Control", "up Shift_L +Shift+Control",
                     "up Control_L +Control" } },
        ChordRow { "TranslatedChordReplacesTheModifier",
                   33,
                   kCmd,
                   { "down Alt_L", "down Left +Alt", "up Left +Alt", "up Alt_L +Alt" } },
        ChordRow { "ChordOfALoneKeysym", 49, kCmd, { "down Super_L", "up Super_L +Super" } }),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(X11KeyboardTest, CommandRoleIsReadAtEveryKey)
{
    defaults_.setString(std::string(kCommandKeySetting), "super");
    stroke(0, kCmd);
    EXPECT_EQ(linesBeforeMark(),
              (Lines { "down Super_L", "down a +Super", "up a +Super", "up Super_L +Super" }));
    defaults_.setString(std::string(kCommandKeySetting), "control");
    stroke(0, kCmd);
    EXPECT_EQ(linesBeforeMark(), kControlA);
}

TEST_F(X11KeyboardTest, ModifiersAloneArriveOnlyWithAKey)
{
    for (const std::uint16_t modifier : { 55, 56, 58, 59, 54, 60, 61, 62, 63 }) {
        EXPECT_TRUE(post(modifier, KeyState::Down));
        EXPECT_TRUE(post(modifier, KeyState::Up));
    }
    EXPECT_EQ(linesBeforeMark(), Lines {});
    // Held Mac modifiers apply to a key posted without flags.
    post(56, KeyState::Down);
    post(0, KeyState::Down);
    post(0, KeyState::Up);
    post(56, KeyState::Up);
    EXPECT_EQ(linesBeforeMark(),
              (Lines { "down Shift_L", "down A +Shift", "up A +Shift", "up Shift_L +Shift" }));
}

TEST_F(X11KeyboardTest, OnAzertyShortcutsFollowTheLetterAndTypingThePosition)
{
    if (const auto missing = missingPrograms({ "setxkbmap", "xkbcomp" }); !missing.empty())
        GTEST_SKIP() << missing;
    ASSERT_TRUE(saveKeymap());
    ASSERT_TRUE(runClient({ "setxkbmap", "fr" }));
    stroke(0, kCmd); // Command+A: the A key, where the Mac has its Q
    stroke(0); // the key at the Mac's A types q
    stroke(12); // and the one at its Q types a
    stroke(18, kCmd); // no key has 1 unshifted: Control on the position
    EXPECT_EQ(
        linesBeforeMark(),
        (Lines { "down Control_L", "down a +Control", "up a +Control", "up Control_L +Control",
                 "down q", "up q", "down a", "up a", "down Control_L", "down ampersand +Control",
                 "up ampersand +Control", "up Control_L +Control" }));
}

struct TextRow {
    const char* name;
    std::u16string units;
    Lines lines;
};

void PrintTo(const TextRow& row, std::ostream* out)
{
    *out << row.name;
}

class X11KeyboardText : public X11KeyboardTest, public testing::WithParamInterface<TextRow> { };

TEST_P(X11KeyboardText, ArrivesAsTheCharactersKeysym)
{
    type(GetParam().units);
    EXPECT_EQ(linesBeforeMark(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, X11KeyboardText,
    testing::Values(
        TextRow { "Hiragana", u"あ", { "down U3042", "up U3042" } },
        TextRow { "SurrogatePairIsOneCharacter", u"😀", { "down U1F600", "up U1F600" } },
        TextRow { "LatinOutsideTheLayout", u"é", { "down eacute", "up eacute" } },
        TextRow { "ShiftedCharacterOfTheLayout",
                  u"A",
                  { "down Shift_L", "down A +Shift", "up A +Shift", "up Shift_L +Shift" } },
        TextRow { "CarriageReturnIsTheReturnKey", u"\r", { "down Return", "up Return" } },
        TextRow { "LineFeedIsTheReturnKey", u"\n", { "down Return", "up Return" } },
        TextRow { "Tab", u"\t", { "down Tab", "up Tab" } },
        TextRow { "Backspace", u"\b", { "down BackSpace", "up BackSpace" } },
        TextRow { "LoneLowSurrogateTypesNothing", u"\xDE00", {} },
        TextRow { "HighSurrogateWithoutItsPairIsDropped", u"\xD83Dx", { "down x", "up x" } }),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(X11KeyboardTest, MoreCharactersThanSpareKeycodesReuseThemAfterTheGuard)
{
    int spare = 0;
    for (int keycode = 8; keycode < 256; ++keycode)
        spare += client_->serverKeysym(keycode) == 0;
    const int count = spare + 5;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        const char16_t kanji = char16_t(0x4E00 + i);
        type(std::u16string(1, kanji));
        const auto press = nextKeyDown();
        ASSERT_EQ(press.keysym, 0x1000000u + kanji) << i;
        // Keys where a Mac key sits are never lent, even those without symbols here.
        EXPECT_FALSE(isMacKeyPosition(std::uint16_t(press.detail - 8))) << press.detail;
    }
    // The first keycode taken again was pressed after the start.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(X11KeyboardTest, SpareKeycodesAreGivenBackWhenTheServicesEnd)
{
    type(u"é");
    const auto press = nextKeyDown();
    EXPECT_EQ(client_->serverKeysym(int(press.detail)), XK_eacute);
    services_.reset();
    EXPECT_EQ(client_->serverKeysym(int(press.detail)), 0u);
}

TEST_F(X11KeyboardTest, MediaKeysArriveAsTheAudioKeysEvenWhenTheKeymapLacksThem)
{
    const std::pair<std::int64_t, const char*> rows[]
        = { { 0, "XF86AudioRaiseVolume" }, { 1, "XF86AudioLowerVolume" }, { 7, "XF86AudioMute" } };
    for (const auto& [keyType, name] : rows) {
        EXPECT_TRUE(services_->postMediaKey({ 0xA00, 8, (keyType << 16) | 0xA00, -1 }));
        EXPECT_TRUE(services_->postMediaKey({ 0xB00, 8, (keyType << 16) | 0xB00, -1 }));
        EXPECT_EQ(linesBeforeMark(),
                  (Lines { "down " + std::string(name), "up " + std::string(name) }));
    }
    if (const auto missing = missingPrograms({ "xmodmap", "xkbcomp" }); !missing.empty())
        GTEST_SKIP() << missing;
    ASSERT_TRUE(saveKeymap());
    ASSERT_TRUE(runClient({ "xmodmap", "-e", "keycode 121 =" })); // XF86AudioMute's key
    EXPECT_TRUE(services_->postMediaKey({ 0xA00, 8, 0x70A00, -1 }));
    EXPECT_TRUE(services_->postMediaKey({ 0xB00, 8, 0x70B00, -1 }));
    const auto press = nextKeyDown();
    EXPECT_EQ(press.keysym, XF86XK_AudioMute);
    EXPECT_NE(press.detail, 121u);
}

TEST_F(X11KeyboardTest, WhatCannotBeTypedIsRefused)
{
    EXPECT_FALSE(post(52, KeyState::Down)); // no such Mac key
    EXPECT_FALSE(services_->postKey({ 0, KeyState::Down, std::nullopt, u'\xDC00' }));
    EXPECT_FALSE(services_->postKey({ 0, KeyState::Down, std::nullopt, u'\x01' }));
    EXPECT_FALSE(services_->postMediaKey({ 0xA00, 0, 0x70A00, -1 })); // not the media subtype
    EXPECT_FALSE(services_->postMediaKey({ 0xA00, 8, 0x50A00, -1 })); // no such media key
    EXPECT_FALSE(services_->postMediaKey({ 0xA00, 8, 0x70C00, -1 })); // neither down nor up
    EXPECT_EQ(linesBeforeMark(), Lines {});
}

} // namespace
} // namespace kavora::test
