// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/ListRules.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using Ids = std::vector<std::string>;

TEST(ListRules, PresetRowsAreDisabledOnlyWhenUnselectedAtThreeAndListsAtTheirLimit)
{
    const std::tuple<const char*, Ids, std::string, bool> rows[] = {
        { "nothing selected", {}, "copy", true },
        { "two selected, a third can join", { "undo", "redo" }, "copy", true },
        { "three selected, a fourth cannot", { "undo", "redo", "find" }, "copy", false },
        { "three selected, a selected row deselects", { "undo", "redo", "find" }, "redo", true },
        { "more than three stored, still closed", { "a", "b", "c", "d" }, "copy", false },
    };
    for (const auto& [shows, selected, id, enabled] : rows)
        EXPECT_EQ(isPresetRowEnabled(selected, id), enabled) << shows;
    EXPECT_FALSE(isAtLimit(9, 10));
    EXPECT_TRUE(isAtLimit(10, 10));
    EXPECT_TRUE(isAtLimit(11, 10));
}

TEST(ListRules, AppNamesAndTheAddMenu)
{
    const std::vector<InstalledApp> installed { { "org.gnome.Calculator", "Calculator" },
                                                { "org.mozilla.firefox", "Firefox" },
                                                { "org.mozilla.firefox", "Firefox (old)" } };
    EXPECT_EQ(registeredAppName(installed, "org.mozilla.firefox"), "Firefox");
    EXPECT_EQ(registeredAppName(installed, "gone.App"), "gone.App");

    EXPECT_EQ(addableApps(installed, { "org.mozilla.firefox" }),
              (std::vector<InstalledApp> { { "org.gnome.Calculator", "Calculator" } }));
    EXPECT_EQ(addableApps(installed, {}), installed);
}

TEST(ListRules, AddSiteNeedsMoreThanWhiteSpace)
{
    for (const char* blank : { "", "   ", "\t\n \r\n", "\u3000" })
        EXPECT_FALSE(canAddSite(blank)) << blank;
    EXPECT_TRUE(canAddSite("example.com"));
    EXPECT_TRUE(canAddSite("  example.com \n"));
}

TEST(ListRules, KeyboardMovesGoOntoTheNeighbour)
{
    const Ids ids { "A", "B", "C" };
    EXPECT_EQ(keyboardMoveTarget(ids, "B", MoveDirection::Up), "A");
    EXPECT_EQ(keyboardMoveTarget(ids, "B", MoveDirection::Down), "C");
    EXPECT_EQ(keyboardMoveTarget(ids, "A", MoveDirection::Up), std::nullopt);
    EXPECT_EQ(keyboardMoveTarget(ids, "C", MoveDirection::Down), std::nullopt);
    EXPECT_EQ(keyboardMoveTarget(ids, "X", MoveDirection::Up), std::nullopt);
}

} // namespace
} // namespace kavora
