#include "platform/linux/x11/X11ChordTranslator.h"
#include "platform/EventServices.h"

#include <gtest/gtest.h>

#include <ostream>

#include <X11/keysym.h>

namespace kavora {
namespace {

using namespace xmodifier;
constexpr auto kCommand = eventflag::kCommand;
constexpr auto kShiftFlag = eventflag::kShift;
constexpr std::uint64_t kCapsLockFlag = 0x10000;

struct ChordRow {
    const char* name;
    std::uint16_t macKey;
    std::uint64_t flags;
    CommandKeyRole role;
    XChord expected;
};

void PrintTo(const ChordRow& row, std::ostream* out)
{
    *out << row.name;
}

class TranslateMacChord : public testing::TestWithParam<ChordRow> { };

TEST_P(TranslateMacChord, GivesTheLinuxChord)
{
    const auto& row = GetParam();
    const auto chord = translateMacChord(row.macKey, row.flags, row.role);
    ASSERT_TRUE(chord);
    EXPECT_EQ(chord->modifiers, row.expected.modifiers);
    EXPECT_EQ(chord->lookup, row.expected.lookup);
    EXPECT_EQ(chord->keysym, row.expected.keysym);
    EXPECT_EQ(chord->evdev, row.expected.evdev);
}

constexpr auto Control = CommandKeyRole::Control;
constexpr auto Super = CommandKeyRole::Super;
constexpr auto Position = KeyLookup::Position;
constexpr auto Character = KeyLookup::CharacterFirst;

INSTANTIATE_TEST_SUITE_P(
    Rows, TranslateMacChord,
    testing::Values(
        ChordRow { "PlainLetterIsPositional", 0, 0, Control, { 0, Position, XK_a, 30 } },
        ChordRow {
            "ShiftedLetterIsPositional", 0, kShiftFlag, Control, { kShift, Position, XK_a, 30 } },
        ChordRow { "OptionIsAltAndPositional",
                   0,
                   eventflag::kAlternate,
                   Control,
                   { kAlt, Position, XK_a, 30 } },
        ChordRow { "CommandIsControlByCharacter",
                   0,
                   kCommand,
                   Control,
                   { kControl, Character, XK_a, 30 } },
        ChordRow {
            "CommandIsSuperWhenChosen", 0, kCommand, Super, { kSuper, Character, XK_a, 30 } },
        ChordRow { "MacControlIsControlByCharacter",
                   8,
                   eventflag::kControl,
                   Super,
                   { kControl, Character, XK_c, 46 } },
        ChordRow { "CommandShiftZKeepsShift",
                   6,
                   kCommand | kShiftFlag,
                   Control,
                   { kControl | kShift, Character, XK_z, 44 } },
        ChordRow { "CommandReturnStaysPositional",
                   36,
                   kCommand,
                   Control,
                   { kControl, Position, XK_Return, 28 } },
        ChordRow {
            "CommandLeftBracketGoesBack", 33, kCommand, Control, { kAlt, Position, XK_Left, 105 } },
        ChordRow { "CommandRightBracketGoesForward",
                   30,
                   kCommand,
                   Super,
                   { kAlt, Position, XK_Right, 106 } },
        ChordRow { "CapsLockDoesNotSpoilAChord",
                   33,
                   kCommand | kCapsLockFlag,
                   Control,
                   { kAlt, Position, XK_Left, 105 } },
        ChordRow { "CommandShiftLeftBracketIsOnlyTranslated",
                   33,
                   kCommand | kShiftFlag,
                   Control,
                   { kControl | kShift, Character, XK_bracketleft, 26 } },
        ChordRow { "CommandSpaceOpensTheLauncher",
                   49,
                   kCommand,
                   Control,
                   { 0, KeyLookup::Keysym, XK_Super_L, 125 } },
        ChordRow { "CommandShiftFourTakesAnAreaScreenshot",
                   21,
                   kCommand | kShiftFlag,
                   Control,
                   { kShift, KeyLookup::Keysym, XK_Print, 99 } },
        ChordRow {
            "CommandFourIsControlFour", 21, kCommand, Control, { kControl, Character, XK_4, 5 } },
        ChordRow {
            "CommandTabSwitchesApplications", 48, kCommand, Super, { kAlt, Position, XK_Tab, 15 } },
        ChordRow { "CommandShiftTabSwitchesBackwards",
                   48,
                   kCommand | kShiftFlag,
                   Control,
                   { kAlt | kShift, Position, XK_Tab, 15 } }),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TranslateMacChordGaps, CodesWithoutAKeyHaveNoChord)
{
    for (const std::uint16_t code : { 52, 63, 66, 127, 128, 0xFFFF })
        EXPECT_FALSE(translateMacChord(code, kCommand, Control)) << code;
}

} // namespace
} // namespace kavora
