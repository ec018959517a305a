// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>

namespace kavora {

// Rectangles in the desktop's logical pixels, y growing downward.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const ScreenRect&) const = default;
};

// Where the panel opens: centred under the anchor (the status icon, or a 1 x 1 rectangle at the
// pointer when the tray host does not say where its icon is), or above it when the anchor is in
// the lower half of the available area (a bottom panel), then moved as little as needed to lie
// inside the available area. Without an anchor (nothing says where the click was) it is centred
// in the available area. Returns the panel's rectangle.
ScreenRect panelPlacement(const std::optional<ScreenRect>& anchor, int panelWidth, int panelHeight,
                          const ScreenRect& available);

} // namespace kavora
