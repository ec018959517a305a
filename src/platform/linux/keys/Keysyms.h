// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>

namespace kavora {

// The keysym that types a character, or nothing for a character that types nothing. Line
// breaks (CR or LF), tabs and backspaces (BS or DEL) are their keys, as is Escape: applications
// ignore the Linefeed keysym, and other control characters have no key.
std::optional<std::uint32_t> keysymForCharacter(char32_t character);

// The XF86 audio keysym of a Mac media key type (0 sound up, 1 sound down, 7 mute), or nothing.
std::optional<std::uint32_t> keysymForMediaKey(std::int64_t keyType);

} // namespace kavora
