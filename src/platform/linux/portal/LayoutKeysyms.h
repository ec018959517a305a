// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <unordered_set>

namespace kavora {

// The keysyms the desktop's keyboard layout types with a key alone or with Shift, the ones a
// compositor can press a key for. A Wayland client cannot ask the compositor for its layout, so it
// is built the way the desktop builds it: from GNOME's first input source where GNOME has one,
// otherwise from xkbcommon's defaults (XKB_DEFAULT_LAYOUT and friends, else US).
class LayoutKeysyms {
public:
    // Reads the layout again (the user may have switched it since).
    void reload();
    bool has(std::uint32_t keysym) const { return keysyms_.contains(keysym); }

private:
    std::unordered_set<std::uint32_t> keysyms_;
};

} // namespace kavora
