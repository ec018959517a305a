#include "support/linux/X11DisplayFixture.h"

#include "platform/linux/x11/X11ChordTranslator.h"
#include "platform/linux/x11/X11MacKeyTable.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <chrono>
#include <ostream>
#include <ranges>

namespace kavora::test {
namespace {

using Kind = X11TestWindow::Event::Kind;
using Lines = std::vector<std::string>;

constexpr std::uint64_t kCmd = eventflag::kCommand;
constexpr std::uint64_t kShift = eventflag::kShift;
constexpr std::uint64_t kOption = eventflag::kAlternate;
constexpr std::uint16_t kF12 = 111; // the end mark

class X11KeyboardTest : public X11DisplayFixture {
protected:
    bool post(std::uint16_t key, KeyState state, std::optional<std::uint64_t> flags = {})
    {
        return services_->postKey({ key, state, flags, std::nullopt });
    }

    // A key stroke as the injector posts it: the modifier keys down on their own, the key down
    // and up with the flags, the modifier keys up.
    void stroke(std::uint16_t key, std::uint64_t flags = 0)
    {
        const std::pair<std::uint64_t, std::uint16_t> modifiers[]
            = { { eventflag::kControl, 59 }, { kShift, 56 }, { kOption, 58 }, { kCmd, 55 } };
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

    // The key events that arrive before an F12 stroke posted as an end mark.
    Lines keysBeforeMark()
    {
        stroke(kF12);
        auto events = window_->takeUntil(
            [](const auto& e) { return e.kind == Kind::KeyUp && e.keysym == XK_F12; });
        EXPECT_GE(events.size(), 2u) << "the end mark did not arrive";
        Lines lines;
        for (const auto& event : events)
            if (event.kind == Kind::KeyDown || event.kind == Kind::KeyUp)
                lines.push_back(X11TestWindow::describe(event));
        return Lines(lines.begin(), lines.end() - std::min<std::size_t>(lines.size(), 2));
    }
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
    EXPECT_EQ(keysBeforeMark(), GetParam().lines);
    EXPECT_EQ(window_->keysDown(), std::vector<int> {});
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
        ChordRow { "CommandAIsControlA", 0, kCmd, kControlA },
        ChordRow { "CommandShiftZIsControlShiftZ",
                   6,
                   kCmd | kShift,
                   { "down Control_L", "down Shift_L +Control", "down Z +Shift+Control",
                     "up Z +Shift+Control", "up Shift_L +Shift+Control",
                     "up Control_L +Control" } },
        ChordRow { "OptionIsAlt",
                   0,
                   kOption,
                   { "down Alt_L", "down a +Alt", "up a +Alt", "up Alt_L +Alt" } },
        ChordRow { "CommandLeftBracketGoesBack",
                   33,
                   kCmd,
                   { "down Alt_L", "down Left +Alt", "up Left +Alt", "up Alt_L +Alt" } },
        ChordRow { "CommandRightBracketGoesForward",
                   30,
                   kCmd,
                   { "down Alt_L", "down Right +Alt", "up Right +Alt", "up Alt_L +Alt" } },
        ChordRow { "CommandTabSwitchesApplications",
                   48,
                   kCmd,
                   { "down Alt_L", "down Tab +Alt", "up Tab +Alt", "up Alt_L +Alt" } },
        ChordRow { "CommandSpaceOpensTheLauncherSearch",
                   49,
                   kCmd,
                   { "down Super_L", "up Super_L +Super" } },
        ChordRow {
            "CommandShiftFourTakesAnAreaScreenshot",
            21,
            kCmd | kShift,
            { "down Shift_L", "down Print +Shift", "up Print +Shift", "up Shift_L +Shift" } }),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(X11KeyboardTest, CommandRoleIsReadAtEveryKey)
{
    defaults_.setString(InputSettings::kCommandKeyKey, "super");
    stroke(0, kCmd);
    EXPECT_EQ(keysBeforeMark(),
              (Lines { "down Super_L", "down a +Super", "up a +Super", "up Super_L +Super" }));
    defaults_.setString(InputSettings::kCommandKeyKey, "control");
    stroke(0, kCmd);
    EXPECT_EQ(keysBeforeMark(), kControlA);
}

TEST_F(X11KeyboardTest, LoneModifiersPostNothing)
{
    for (const std::uint16_t modifier : { 55, 56, 58, 59, 54, 60, 61, 62, 63 }) {
        EXPECT_TRUE(post(modifier, KeyState::Down));
        EXPECT_TRUE(post(modifier, KeyState::Up));
    }
    EXPECT_EQ(keysBeforeMark(), Lines {});
}

TEST_F(X11KeyboardTest, HeldMacModifiersApplyToAKeyWithoutFlags)
{
    post(56, KeyState::Down);
    post(0, KeyState::Down);
    post(0, KeyState::Up);
    post(56, KeyState::Up);
    EXPECT_EQ(keysBeforeMark(),
              (Lines { "down Shift_L", "down A +Shift", "up A +Shift", "up Shift_L +Shift" }));
}

TEST_F(X11KeyboardTest, OnAzertyShortcutsFollowTheLetterAndTypingThePosition)
{
    ASSERT_TRUE(xvfb_.runClient({ "setxkbmap", "fr" }));
    stroke(0, kCmd); // Command+A: the A key, where the Mac has its Q
    stroke(0); // the key at the Mac's A types q
    stroke(12); // and the one at its Q types a
    stroke(18, kCmd); // no key has 1 unshifted: Control on the position
    EXPECT_EQ(
        keysBeforeMark(),
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
    EXPECT_EQ(keysBeforeMark(), GetParam().lines);
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
        spare += window_->serverKeysym(keycode) == 0;
    const int count = spare + 5;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        const char16_t kanji = char16_t(0x4E00 + i);
        type(std::u16string(1, kanji));
        const auto press = window_->waitFor([](const auto& e) { return e.kind == Kind::KeyDown; });
        ASSERT_TRUE(press) << i;
        EXPECT_EQ(press->keysym, 0x1000000u + kanji) << i;
        // Keys where a Mac key sits are never lent, even those without symbols here.
        EXPECT_FALSE(isMacKeyPosition(std::uint16_t(press->detail - 8))) << press->detail;
    }
    // The first keycode taken again was pressed after the start.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(X11KeyboardTest, SpareKeycodesAreGivenBackWhenTheServicesEnd)
{
    type(u"é");
    const auto press = window_->waitFor([](const auto& e) { return e.kind == Kind::KeyDown; });
    ASSERT_TRUE(press);
    EXPECT_EQ(window_->serverKeysym(int(press->detail)), XK_eacute);
    services_.reset();
    EXPECT_EQ(window_->serverKeysym(int(press->detail)), 0u);
}

struct MediaRow {
    std::int64_t keyType;
    const char* keysym;
};

void PrintTo(const MediaRow& row, std::ostream* out)
{
    *out << row.keysym;
}

class X11KeyboardMedia : public X11KeyboardTest, public testing::WithParamInterface<MediaRow> { };

TEST_P(X11KeyboardMedia, KeysArriveAsTheAudioKeys)
{
    const auto keyType = GetParam().keyType;
    EXPECT_TRUE(services_->postMediaKey({ 0xA00, 8, (keyType << 16) | 0xA00, -1 }));
    EXPECT_TRUE(services_->postMediaKey({ 0xB00, 8, (keyType << 16) | 0xB00, -1 }));
    const std::string name = GetParam().keysym;
    EXPECT_EQ(keysBeforeMark(), (Lines { "down " + name, "up " + name }));
}

INSTANTIATE_TEST_SUITE_P(Rows, X11KeyboardMedia,
                         testing::Values(MediaRow { 0, "XF86AudioRaiseVolume" },
                                         MediaRow { 1, "XF86AudioLowerVolume" },
                                         MediaRow { 7, "XF86AudioMute" }));

TEST_F(X11KeyboardTest, AMediaKeyMissingFromTheKeymapGetsASpareKeycode)
{
    ASSERT_TRUE(xvfb_.runClient({ "xmodmap", "-e", "keycode 121 =" }));
    EXPECT_TRUE(services_->postMediaKey({ 0xA00, 8, 0x70A00, -1 }));
    EXPECT_TRUE(services_->postMediaKey({ 0xB00, 8, 0x70B00, -1 }));
    const auto press = window_->waitFor([](const auto& e) { return e.kind == Kind::KeyDown; });
    ASSERT_TRUE(press);
    EXPECT_EQ(press->keysym, XF86XK_AudioMute);
    EXPECT_NE(press->detail, 121u);
}

TEST_F(X11KeyboardTest, WhatCannotBeTypedIsRefused)
{
    EXPECT_FALSE(post(52, KeyState::Down)); // no such Mac key
    EXPECT_FALSE(services_->postKey({ 0, KeyState::Down, std::nullopt, u'\xDC00' }));
    EXPECT_FALSE(services_->postKey({ 0, KeyState::Down, std::nullopt, u'\x01' }));
    EXPECT_FALSE(services_->postMediaKey({ 0xA00, 0, 0x70A00, -1 })); // not the media subtype
    EXPECT_FALSE(services_->postMediaKey({ 0xA00, 8, 0x50A00, -1 })); // no such media key
    EXPECT_FALSE(services_->postMediaKey({ 0xA00, 8, 0x70C00, -1 })); // neither down nor up
    EXPECT_EQ(keysBeforeMark(), Lines {});
}

} // namespace
} // namespace kavora::test
