// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/PanelPlacement.h"

#include <algorithm>

namespace kavora {
namespace {

// Moves [start, start + length) inside [low, high) as little as possible; a span longer than
// the room keeps its start at low.
int clampSpan(int start, int length, int low, int high)
{
    return std::max(low, std::min(start, high - length));
}

} // namespace

ScreenRect panelPlacement(const std::optional<ScreenRect>& anchor, int panelWidth, int panelHeight,
                          const ScreenRect& available)
{
    int x = available.x + available.width / 2 - panelWidth / 2;
    int y = available.y + available.height / 2 - panelHeight / 2;
    if (anchor) {
        const int anchorMiddleY = anchor->y + anchor->height / 2;
        const bool opensUpward = anchorMiddleY > available.y + available.height / 2;
        x = anchor->x + anchor->width / 2 - panelWidth / 2;
        y = opensUpward ? anchor->y - panelHeight : anchor->y + anchor->height;
    }
    x = clampSpan(x, panelWidth, available.x, available.x + available.width);
    y = clampSpan(y, panelHeight, available.y, available.y + available.height);
    return { x, y, panelWidth, panelHeight };
}

} // namespace kavora
