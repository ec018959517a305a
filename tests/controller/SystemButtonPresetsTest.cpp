// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/SystemButtonPresets.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using Ids = std::vector<std::string>;

Ids idsOf(const std::vector<SystemButton>& buttons)
{
    Ids ids;
    for (const auto& button : buttons) {
        ids.push_back(button.id);
        if (const auto* shortcut = std::get_if<macro::Shortcut>(&button.action))
            ids.back() += " " + std::to_string(shortcut->modifier) + "/"
                + std::to_string(shortcut->keyCode);
    }
    return ids;
}

TEST(SystemButtonPresets, CatalogueHoldsTwelveInOrderAndOnlyMissionControlIsNotAShortcut)
{
    EXPECT_EQ(idsOf(systemButtonPresets()),
              (Ids { "copy 8/6", "paste 8/25", "undo 8/29", "redo 10/29", "save 8/22",
                     "selectall 8/4", "find 8/9", "close 8/26", "missioncontrol",
                     "screenshot 10/33", "spotlight 8/44", "appswitch 8/43" }));
    EXPECT_TRUE(std::holds_alternative<macro::MissionControl>(systemButtonPresets()[8].action));
}

TEST(SystemButtonPresets, SelectionKeepsTheUserOrderAndSkipsUnknownIds)
{
    EXPECT_EQ(idsOf(selectedSystemButtons({ "spotlight", "copy", "nosuch", "Copy", "paste" })),
              (Ids { "spotlight 8/44", "copy 8/6", "paste 8/25" }));
}

TEST(SystemButtonPresets, ToggleRemovesAddsAndRefusesAFourth)
{
    EXPECT_EQ(toggledSystemButtonIDs({ "a", "b", "c" }, "copy"), std::nullopt);
    EXPECT_EQ(toggledSystemButtonIDs({ "a", "b", "c" }, "b"), (Ids { "a", "c" }));
    EXPECT_EQ(toggledSystemButtonIDs({ "a", "b" }, "copy"), (Ids { "a", "b", "copy" }));
    EXPECT_EQ(toggledSystemButtonIDs({ "a", "x", "b", "x" }, "x"), (Ids { "a", "b", "x" }));
}

} // namespace
} // namespace kavora
