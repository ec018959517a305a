// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/PanelPlacement.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(PanelPlacement, OpensAtTheAnchorOrCentredInsideTheAvailableArea)
{
    // A 1280 x 800 screen whose top 24 pixels are a panel bar.
    const ScreenRect available { 0, 24, 1280, 776 };
    // clang-format off
    const std::tuple<const char*, std::optional<ScreenRect>, ScreenRect> rows[] = {
        { "centred under an icon in the middle of a top bar", ScreenRect { 600, 1, 22, 22 }, { 481, 24, 260, 300 } },
        { "under an icon at the right end, kept on screen", ScreenRect { 1257, 1, 22, 22 }, { 1020, 24, 260, 300 } },
        { "at the pointer near the left edge", ScreenRect { 5, 10, 1, 1 }, { 0, 24, 260, 300 } },
        { "under an icon just above the middle", ScreenRect { 600, 300, 22, 22 }, { 481, 322, 260, 300 } },
        { "under an icon exactly at the middle", ScreenRect { 600, 401, 22, 22 }, { 481, 423, 260, 300 } },
        { "above an icon just below it", ScreenRect { 600, 402, 22, 22 }, { 481, 102, 260, 300 } },
        { "above an icon of a bottom bar", ScreenRect { 700, 790, 22, 22 }, { 581, 490, 260, 300 } },
        { "at the pointer in the lower right corner", ScreenRect { 1279, 799, 1, 1 }, { 1020, 499, 260, 300 } },
        { "centred in the area where nothing says where the click was", std::nullopt, { 510, 262, 260, 300 } },
    };
    // clang-format on
    for (const auto& [shows, anchor, panel] : rows)
        EXPECT_EQ(panelPlacement(anchor, 260, 300, available), panel) << shows;
}

TEST(PanelPlacement, APanelTallerThanTheAreaStartsAtItsTop)
{
    EXPECT_EQ(panelPlacement(ScreenRect { 100, 700, 1, 1 }, 260, 900, { 0, 24, 1280, 776 }),
              (ScreenRect { 0, 24, 260, 900 }));
}

} // namespace
} // namespace kavora
