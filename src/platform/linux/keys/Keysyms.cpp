// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/keys/Keysyms.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

namespace kavora {

std::optional<std::uint32_t> keysymForCharacter(char32_t character)
{
    switch (character) {
    case U'\r':
    case U'\n':
        return XK_Return;
    case U'\t':
        return XK_Tab;
    case U'\b':
    case 0x7F:
        return XK_BackSpace;
    case 0x1B:
        return XK_Escape;
    default:
        break;
    }
    const bool control = character < 0x20 || (character >= 0x80 && character < 0xA0);
    const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    if (control || surrogate || character > 0x10FFFF)
        return std::nullopt;
    const std::uint32_t keysym = xkb_utf32_to_keysym(character);
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    return keysym;
}

std::optional<std::uint32_t> keysymForMediaKey(std::int64_t keyType)
{
    switch (keyType) {
    case 0:
        return XF86XK_AudioRaiseVolume;
    case 1:
        return XF86XK_AudioLowerVolume;
    case 7:
        return XF86XK_AudioMute;
    default:
        return std::nullopt;
    }
}

} // namespace kavora
