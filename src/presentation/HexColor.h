// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <string_view>

namespace kavora {

// An opaque sRGB colour, 8 bits per channel.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const Rgb&) const = default;
};

// The colour of a preset's "RRGGBB" text. The text is read as one hexadecimal number the way
// the presets' colours were always read: leading white space and a "0x" prefix are skipped, the
// digits run as far as they go, a number too large for 64 bits saturates, and text without a
// digit reads as 0. The low 24 bits are the colour, so unparsable text gives black.
Rgb colorFromHex(std::string_view text);

// The brand colour, "3B9EDB".
inline constexpr Rgb kBrandColor { 0x3B, 0x9E, 0xDB };

} // namespace kavora
