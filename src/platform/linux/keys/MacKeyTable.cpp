// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/keys/MacKeyTable.h"

#include "platform/MacKeyCodes.h"

#include <algorithm>
#include <array>

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>

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
    { 0, KEY_A, XK_a }, // kVK_ANSI_A
    { 1, KEY_S, XK_s },
    { 2, KEY_D, XK_d },
    { 3, KEY_F, XK_f },
    { 4, KEY_H, XK_h },
    { 5, KEY_G, XK_g },
    { 6, KEY_Z, XK_z },
    { 7, KEY_X, XK_x },
    { 8, KEY_C, XK_c },
    { 9, KEY_V, XK_v },
    { 10, KEY_102ND, XK_less }, // kVK_ISO_Section: the extra ISO key
    { 11, KEY_B, XK_b },
    { 12, KEY_Q, XK_q },
    { 13, KEY_W, XK_w },
    { 14, KEY_E, XK_e },
    { 15, KEY_R, XK_r },
    { 16, KEY_Y, XK_y },
    { 17, KEY_T, XK_t },
    { 18, KEY_1, XK_1 },
    { 19, KEY_2, XK_2 },
    { 20, KEY_3, XK_3 },
    { mackey::k4, KEY_4, XK_4 },
    { 22, KEY_6, XK_6 },
    { 23, KEY_5, XK_5 },
    { 24, KEY_EQUAL, XK_equal },
    { 25, KEY_9, XK_9 },
    { 26, KEY_7, XK_7 },
    { 27, KEY_MINUS, XK_minus },
    { 28, KEY_8, XK_8 },
    { 29, KEY_0, XK_0 },
    { mackey::kRightBracket, KEY_RIGHTBRACE, XK_bracketright },
    { 31, KEY_O, XK_o },
    { 32, KEY_U, XK_u },
    { mackey::kLeftBracket, KEY_LEFTBRACE, XK_bracketleft },
    { 34, KEY_I, XK_i },
    { 35, KEY_P, XK_p },
    { 36, KEY_ENTER, XK_Return },
    { 37, KEY_L, XK_l },
    { 38, KEY_J, XK_j },
    { 39, KEY_APOSTROPHE, XK_apostrophe },
    { 40, KEY_K, XK_k },
    { 41, KEY_SEMICOLON, XK_semicolon },
    { 42, KEY_BACKSLASH, XK_backslash },
    { 43, KEY_COMMA, XK_comma },
    { 44, KEY_SLASH, XK_slash },
    { 45, KEY_N, XK_n },
    { 46, KEY_M, XK_m },
    { 47, KEY_DOT, XK_period },
    { mackey::kTab, KEY_TAB, XK_Tab },
    { mackey::kSpace, KEY_SPACE, XK_space },
    { 50, KEY_GRAVE, XK_grave },
    { 51, KEY_BACKSPACE, XK_BackSpace }, // kVK_Delete
    { 53, KEY_ESC, XK_Escape },
    { mackey::kRightCommand, KEY_RIGHTMETA, XK_Super_R },
    { mackey::kCommand, KEY_LEFTMETA, XK_Super_L },
    { mackey::kShift, KEY_LEFTSHIFT, XK_Shift_L },
    { 57, KEY_CAPSLOCK, XK_Caps_Lock },
    { mackey::kOption, KEY_LEFTALT, XK_Alt_L },
    { mackey::kControl, KEY_LEFTCTRL, XK_Control_L },
    { mackey::kRightShift, KEY_RIGHTSHIFT, XK_Shift_R },
    { mackey::kRightOption, KEY_RIGHTALT, XK_Alt_R },
    { mackey::kRightControl, KEY_RIGHTCTRL, XK_Control_R },
    { 64, KEY_F17, XK_F17 },
    { 65, KEY_KPDOT, XK_KP_Decimal },
    { 67, KEY_KPASTERISK, XK_KP_Multiply },
    { 69, KEY_KPPLUS, XK_KP_Add },
    { 71, KEY_NUMLOCK, XK_Num_Lock }, // kVK_ANSI_KeypadClear
    { 72, KEY_VOLUMEUP, XF86XK_AudioRaiseVolume },
    { 73, KEY_VOLUMEDOWN, XF86XK_AudioLowerVolume },
    { 74, KEY_MUTE, XF86XK_AudioMute },
    { 75, KEY_KPSLASH, XK_KP_Divide },
    { 76, KEY_KPENTER, XK_KP_Enter },
    { 78, KEY_KPMINUS, XK_KP_Subtract },
    { 79, KEY_F18, XK_F18 },
    { 80, KEY_F19, XK_F19 },
    { 81, KEY_KPEQUAL, XK_KP_Equal },
    { 82, KEY_KP0, XK_KP_0 },
    { 83, KEY_KP1, XK_KP_1 },
    { 84, KEY_KP2, XK_KP_2 },
    { 85, KEY_KP3, XK_KP_3 },
    { 86, KEY_KP4, XK_KP_4 },
    { 87, KEY_KP5, XK_KP_5 },
    { 88, KEY_KP6, XK_KP_6 },
    { 89, KEY_KP7, XK_KP_7 },
    { 90, KEY_F20, XK_F20 },
    { 91, KEY_KP8, XK_KP_8 },
    { 92, KEY_KP9, XK_KP_9 },
    { 93, KEY_YEN, XK_yen }, // kVK_JIS_Yen
    { 94, KEY_RO, XK_underscore }, // kVK_JIS_Underscore (the Ro key)
    { 95, KEY_KPJPCOMMA, XK_KP_Separator }, // kVK_JIS_KeypadComma
    { 96, KEY_F5, XK_F5 },
    { 97, KEY_F6, XK_F6 },
    { 98, KEY_F7, XK_F7 },
    { 99, KEY_F3, XK_F3 },
    { 100, KEY_F8, XK_F8 },
    { 101, KEY_F9, XK_F9 },
    // The JIS Eisu and Kana keys are Muhenkan and Henkan on a Japanese PC keyboard, which
    // Japanese input methods treat as input off and on, as the Mac does with these keys.
    { 102, KEY_MUHENKAN, XK_Muhenkan },
    { 103, KEY_F11, XK_F11 },
    { 104, KEY_HENKAN, XK_Henkan },
    { 105, KEY_F13, XK_F13 },
    { 106, KEY_F16, XK_F16 },
    { 107, KEY_F14, XK_F14 },
    { 109, KEY_F10, XK_F10 },
    { 110, KEY_COMPOSE, XK_Menu }, // kVK_ContextualMenu
    { 111, KEY_F12, XK_F12 },
    { 113, KEY_F15, XK_F15 },
    { 114, KEY_INSERT, XK_Insert }, // kVK_Help sits where a PC keyboard has Insert
    { 115, KEY_HOME, XK_Home },
    { 116, KEY_PAGEUP, XK_Prior },
    { 117, KEY_DELETE, XK_Delete }, // kVK_ForwardDelete
    { 118, KEY_F4, XK_F4 },
    { 119, KEY_END, XK_End },
    { 120, KEY_F2, XK_F2 },
    { 121, KEY_PAGEDOWN, XK_Next },
    { 122, KEY_F1, XK_F1 },
    { 123, KEY_LEFT, XK_Left },
    { 124, KEY_RIGHT, XK_Right },
    { 125, KEY_DOWN, XK_Down },
    { 126, KEY_UP, XK_Up },
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
