#include "platform/linux/x11/X11MacKeyTable.h"

#include <algorithm>
#include <array>

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace kavora {
namespace {

struct Row {
    std::uint16_t macKey;
    std::uint16_t evdev;
    std::uint32_t keysym;
};

// Sorted by Mac code. The evdev codes are positional, as the Mac codes are: kVK_ANSI_Q is the
// key left of W whatever the layout prints on it. The keysym is the US label, used for chords
// resolved by character and on servers without evdev keycodes.
constexpr auto kRows = std::to_array<Row>({
    { 0, 30, XK_a }, // kVK_ANSI_A
    { 1, 31, XK_s },
    { 2, 32, XK_d },
    { 3, 33, XK_f },
    { 4, 35, XK_h },
    { 5, 34, XK_g },
    { 6, 44, XK_z },
    { 7, 45, XK_x },
    { 8, 46, XK_c },
    { 9, 47, XK_v },
    { 10, 86, XK_less }, // kVK_ISO_Section: the extra ISO key
    { 11, 48, XK_b },
    { 12, 16, XK_q },
    { 13, 17, XK_w },
    { 14, 18, XK_e },
    { 15, 19, XK_r },
    { 16, 21, XK_y },
    { 17, 20, XK_t },
    { 18, 2, XK_1 },
    { 19, 3, XK_2 },
    { 20, 4, XK_3 },
    { 21, 5, XK_4 },
    { 22, 7, XK_6 },
    { 23, 6, XK_5 },
    { 24, 13, XK_equal },
    { 25, 10, XK_9 },
    { 26, 8, XK_7 },
    { 27, 12, XK_minus },
    { 28, 9, XK_8 },
    { 29, 11, XK_0 },
    { 30, 27, XK_bracketright },
    { 31, 24, XK_o },
    { 32, 22, XK_u },
    { 33, 26, XK_bracketleft },
    { 34, 23, XK_i },
    { 35, 25, XK_p },
    { 36, 28, XK_Return },
    { 37, 38, XK_l },
    { 38, 36, XK_j },
    { 39, 40, XK_apostrophe },
    { 40, 37, XK_k },
    { 41, 39, XK_semicolon },
    { 42, 43, XK_backslash },
    { 43, 51, XK_comma },
    { 44, 53, XK_slash },
    { 45, 49, XK_n },
    { 46, 50, XK_m },
    { 47, 52, XK_period },
    { 48, 15, XK_Tab },
    { 49, 57, XK_space },
    { 50, 41, XK_grave },
    { 51, 14, XK_BackSpace }, // kVK_Delete
    { 53, 1, XK_Escape },
    { 54, 126, XK_Super_R }, // kVK_RightCommand
    { 55, 125, XK_Super_L }, // kVK_Command
    { 56, 42, XK_Shift_L },
    { 57, 58, XK_Caps_Lock },
    { 58, 56, XK_Alt_L }, // kVK_Option
    { 59, 29, XK_Control_L },
    { 60, 54, XK_Shift_R },
    { 61, 100, XK_Alt_R },
    { 62, 97, XK_Control_R },
    { 64, 187, XK_F17 },
    { 65, 83, XK_KP_Decimal },
    { 67, 55, XK_KP_Multiply },
    { 69, 78, XK_KP_Add },
    { 71, 69, XK_Num_Lock }, // kVK_ANSI_KeypadClear
    { 72, 115, XF86XK_AudioRaiseVolume },
    { 73, 114, XF86XK_AudioLowerVolume },
    { 74, 113, XF86XK_AudioMute },
    { 75, 98, XK_KP_Divide },
    { 76, 96, XK_KP_Enter },
    { 78, 74, XK_KP_Subtract },
    { 79, 188, XK_F18 },
    { 80, 189, XK_F19 },
    { 81, 117, XK_KP_Equal },
    { 82, 82, XK_KP_0 },
    { 83, 79, XK_KP_1 },
    { 84, 80, XK_KP_2 },
    { 85, 81, XK_KP_3 },
    { 86, 75, XK_KP_4 },
    { 87, 76, XK_KP_5 },
    { 88, 77, XK_KP_6 },
    { 89, 71, XK_KP_7 },
    { 90, 190, XK_F20 },
    { 91, 72, XK_KP_8 },
    { 92, 73, XK_KP_9 },
    { 93, 124, XK_yen }, // kVK_JIS_Yen
    { 94, 89, XK_underscore }, // kVK_JIS_Underscore (the Ro key)
    { 95, 95, XK_KP_Separator }, // kVK_JIS_KeypadComma
    { 96, 63, XK_F5 },
    { 97, 64, XK_F6 },
    { 98, 65, XK_F7 },
    { 99, 61, XK_F3 },
    { 100, 66, XK_F8 },
    { 101, 67, XK_F9 },
    // The JIS Eisu and Kana keys are Muhenkan and Henkan on a Japanese PC keyboard, which
    // Japanese input methods treat as input off and on, as the Mac does with these keys.
    { 102, 94, XK_Muhenkan },
    { 103, 87, XK_F11 },
    { 104, 92, XK_Henkan },
    { 105, 183, XK_F13 },
    { 106, 186, XK_F16 },
    { 107, 184, XK_F14 },
    { 109, 68, XK_F10 },
    { 110, 127, XK_Menu }, // kVK_ContextualMenu
    { 111, 88, XK_F12 },
    { 113, 185, XK_F15 },
    { 114, 110, XK_Insert }, // kVK_Help sits where a PC keyboard has Insert
    { 115, 102, XK_Home },
    { 116, 104, XK_Prior },
    { 117, 111, XK_Delete }, // kVK_ForwardDelete
    { 118, 62, XK_F4 },
    { 119, 107, XK_End },
    { 120, 60, XK_F2 },
    { 121, 109, XK_Next },
    { 122, 59, XK_F1 },
    { 123, 105, XK_Left },
    { 124, 106, XK_Right },
    { 125, 108, XK_Down },
    { 126, 103, XK_Up },
});

static_assert(std::ranges::is_sorted(kRows, {}, &Row::macKey));

} // namespace

std::optional<MacKeyPlace> macKeyPlace(std::uint16_t macKey)
{
    const auto* row = std::ranges::lower_bound(kRows, macKey, {}, &Row::macKey);
    if (row == kRows.end() || row->macKey != macKey)
        return std::nullopt;
    return MacKeyPlace { row->evdev, row->keysym };
}

bool isMacKeyPosition(std::uint16_t evdev)
{
    return std::ranges::find(kRows, evdev, &Row::evdev) != kRows.end();
}

} // namespace kavora
