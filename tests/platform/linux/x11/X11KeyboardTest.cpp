// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// What an X client gets when the event services post Mac keys, chords, text and media keys. The
// translation of each chord is shown by MacChordTranslatorTest; these cases show the keys that
// arrive for it on a real keymap.

#include "X11InputTest.h"

#include "platform/linux/keys/MacChordTranslator.h"
#include "platform/linux/keys/MacKeyTable.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

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

constexpr const char* kControlA
    = "down Control_L, down a +Control, up a +Control, up Control_L +Control";

TEST_F(X11KeyboardTest, ChordsArriveAsTheLinuxChordAndLeaveNoKeyDown)
{
    // clang-format off
    const std::tuple<const char*, std::uint16_t, std::uint64_t, const char*> rows[] = {
        { "a plain key is positional", 12, 0, "down q, up q" },
        { "a shifted digit", 18, kShift, "down Shift_L, down exclam +Shift, up exclam +Shift, up Shift_L +Shift" },
        { "Command is Control", 0, kCmd, kControlA },
        { "two modifiers press in order and release in reverse", 6, kCmd | kShift,
          "down Control_L, down Shift_L +Control, down Z +Shift+Control, up Z +Shift+Control, up Shift_L +Shift+Control, up Control_L +Control" },
        { "a translated chord replaces the modifier", 33, kCmd, "down Alt_L, down Left +Alt, up Left +Alt, up Alt_L +Alt" },
        { "a chord of a lone keysym", 49, kCmd, "down Super_L, up Super_L +Super" },
    };
    // clang-format on
    for (const auto& [shows, key, flags, expected] : rows) {
        stroke(key, flags);
        EXPECT_EQ(arrived(), expected) << shows;
        EXPECT_EQ(client_->keysDown(), std::vector<int> {}) << shows;
    }
}

TEST_F(X11KeyboardTest, CommandRoleIsReadAtEveryKey)
{
    defaults_.setString(InputSettings::kCommandKeyKey, "super");
    stroke(0, kCmd);
    EXPECT_EQ(arrived(), "down Super_L, down a +Super, up a +Super, up Super_L +Super");
    defaults_.setString(InputSettings::kCommandKeyKey, "control");
    stroke(0, kCmd);
    EXPECT_EQ(arrived(), kControlA);
}

TEST_F(X11KeyboardTest, ModifiersAloneArriveOnlyWithAKey)
{
    for (const std::uint16_t modifier : { 55, 56, 58, 59, 54, 60, 61, 62, 63 }) {
        EXPECT_TRUE(post(modifier, KeyState::Down));
        EXPECT_TRUE(post(modifier, KeyState::Up));
    }
    EXPECT_EQ(arrived(), "");
    // Held Mac modifiers apply to a key posted without flags.
    for (const auto& [key, state] : { std::pair(56, KeyState::Down), std::pair(0, KeyState::Down),
                                      std::pair(0, KeyState::Up), std::pair(56, KeyState::Up) })
        post(std::uint16_t(key), state);
    EXPECT_EQ(arrived(), "down Shift_L, down A +Shift, up A +Shift, up Shift_L +Shift");
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
    EXPECT_EQ(arrived(),
              std::string(kControlA)
                  + ", down q, up q, down a, up a, down Control_L, down ampersand +Control, up "
                    "ampersand +Control, up Control_L +Control");
}

TEST_F(X11KeyboardTest, ALayoutSwitchBetweenTwoKeysIsHonouredByTheSecond)
{
    if (const auto missing = missingPrograms({ "setxkbmap", "xkbcomp" }); !missing.empty())
        GTEST_SKIP() << missing;
    ASSERT_TRUE(saveKeymap());
    ASSERT_TRUE(runClient({ "setxkbmap", "-layout", "us,fr" }));
    // Command+A goes to the key with the letter in the group in use: the A key in the US group,
    // the Q key in the French one. A stale group would press the other key, which arrives as q.
    const struct Restore {
        X11TestClient& client;
        ~Restore() { client.lockGroup(0); }
    } restore { *client_ };
    // Each stroke is taken by the server (isXTestUsable() waits for it) before the other client
    // switches: the server does not order the requests of two clients by when they were sent.
    stroke(0, kCmd);
    ASSERT_TRUE(services_->isXTestUsable());
    ASSERT_TRUE(client_->lockGroup(1));
    stroke(0, kCmd);
    ASSERT_TRUE(services_->isXTestUsable());
    ASSERT_TRUE(client_->lockGroup(0));
    stroke(0, kCmd);
    EXPECT_EQ(arrived(), std::string(kControlA) + ", " + kControlA + ", " + kControlA);
}

TEST_F(X11KeyboardTest, TextArrivesAsTheCharactersKeysyms)
{
    const std::pair<std::u16string, const char*> rows[] = {
        { u"あ", "down U3042, up U3042" },
        { u"😀", "down U1F600, up U1F600" }, // a surrogate pair is one character
        { u"é", "down eacute, up eacute" }, // outside the layout
        { u"A", "down Shift_L, down A +Shift, up A +Shift, up Shift_L +Shift" },
        { u"\r", "down Return, up Return" },
        { u"\n", "down Return, up Return" },
        { u"\t", "down Tab, up Tab" },
        { u"\b", "down BackSpace, up BackSpace" },
        { u"\xDE00", "" }, // a lone low surrogate
        { u"\xD83Dx", "down x, up x" }, // a high surrogate without its pair is dropped
    };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        type(rows[row].first);
        EXPECT_EQ(arrived(), rows[row].second) << "row " << row;
    }
}

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
    const std::pair<std::int64_t, const char*> rows[] = {
        { 0, "down XF86AudioRaiseVolume, up XF86AudioRaiseVolume" },
        { 1, "down XF86AudioLowerVolume, up XF86AudioLowerVolume" },
        { 7, "down XF86AudioMute, up XF86AudioMute" },
    };
    for (const auto& [keyType, keys] : rows) {
        EXPECT_TRUE(services_->postMediaKey({ 0xA00, 8, (keyType << 16) | 0xA00, -1 }));
        EXPECT_TRUE(services_->postMediaKey({ 0xB00, 8, (keyType << 16) | 0xB00, -1 }));
        EXPECT_EQ(arrived(), keys);
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
    EXPECT_EQ(arrived(), "");
}

} // namespace
} // namespace kavora::test
