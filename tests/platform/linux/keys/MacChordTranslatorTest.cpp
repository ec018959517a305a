// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/keys/MacChordTranslator.h"
#include "platform/EventServices.h"

#include <gtest/gtest.h>

#include <ostream>

#include <X11/keysym.h>

namespace kavora {

void PrintTo(const KeyChord& chord, std::ostream* out)
{
    *out << "modifiers " << int(chord.modifiers) << " lookup " << int(chord.lookup) << " keysym 0x"
         << std::hex << chord.keysym << std::dec << " evdev " << chord.evdev;
}

namespace {

using namespace keymodifier;
constexpr auto Cmd = eventflag::kCommand;
constexpr auto Shift = eventflag::kShift;
constexpr auto Ctl = CommandKeyRole::Control;
constexpr auto Sup = CommandKeyRole::Super;
constexpr auto Pos = KeyLookup::Position;
constexpr auto Chr = KeyLookup::CharacterFirst;
constexpr auto Sym = KeyLookup::Keysym;

TEST(TranslateMacChord, GivesTheLinuxChord)
{
    constexpr std::uint64_t kCapsLock = 0x10000;
    struct Row {
        const char* shows;
        std::uint16_t macKey;
        std::uint64_t flags;
        CommandKeyRole role;
        KeyChord chord;
    };
    // clang-format off
    const Row rows[] = {
        { "a plain letter is positional", 0, 0, Ctl, { 0, Pos, XK_a, 30 } },
        { "a shifted letter too", 0, Shift, Ctl, { kShift, Pos, XK_a, 30 } },
        { "Option is Alt, positional", 0, eventflag::kAlternate, Ctl, { kAlt, Pos, XK_a, 30 } },
        { "Command is Control by character", 0, Cmd, Ctl, { kControl, Chr, XK_a, 30 } },
        { "Command is Super when chosen", 0, Cmd, Sup, { kSuper, Chr, XK_a, 30 } },
        { "Mac Control is Control", 8, eventflag::kControl, Sup, { kControl, Chr, XK_c, 46 } },
        { "Command+Shift+Z keeps Shift", 6, Cmd | Shift, Ctl, { kControl | kShift, Chr, XK_z, 44 } },
        { "Command+Return stays positional", 36, Cmd, Ctl, { kControl, Pos, XK_Return, 28 } },
        { "Command+[ goes back", 33, Cmd, Ctl, { kAlt, Pos, XK_Left, 105 } },
        { "Command+] goes forward", 30, Cmd, Sup, { kAlt, Pos, XK_Right, 106 } },
        { "Caps Lock does not spoil a chord", 33, Cmd | kCapsLock, Ctl, { kAlt, Pos, XK_Left, 105 } },
        { "Command+Shift+[ is only translated", 33, Cmd | Shift, Ctl, { kControl | kShift, Chr, XK_bracketleft, 26 } },
        { "Command+Space opens the launcher", 49, Cmd, Ctl, { 0, Sym, XK_Super_L, 125 } },
        { "Command+Shift+4 takes an area screenshot", 21, Cmd | Shift, Ctl, { kShift, Sym, XK_Print, 99 } },
        { "Command+4 is Control+4", 21, Cmd, Ctl, { kControl, Chr, XK_4, 5 } },
        { "Command+Tab switches applications", 48, Cmd, Sup, { kAlt, Pos, XK_Tab, 15 } },
        { "Command+Shift+Tab switches back", 48, Cmd | Shift, Ctl, { kAlt | kShift, Pos, XK_Tab, 15 } },
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(translateMacChord(row.macKey, row.flags, row.role), row.chord) << row.shows;
    for (const std::uint16_t code : { 52, 63, 66, 127, 128, 0xFFFF })
        EXPECT_FALSE(translateMacChord(code, Cmd, Ctl)) << "no key for " << code;
}

} // namespace
} // namespace kavora
