#include "presentation/ListRules.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using Ids = std::vector<std::string>;

TEST(ListRules, PresetRowsAreDisabledOnlyWhenUnselectedAtThree)
{
    struct Row {
        const char* shows;
        Ids selected;
        std::string id;
        bool enabled;
    };
    const Row rows[] = {
        { "nothing selected", {}, "copy", true },
        { "two selected, a third can join", { "undo", "redo" }, "copy", true },
        { "three selected, a fourth cannot", { "undo", "redo", "find" }, "copy", false },
        { "three selected, a selected row deselects", { "undo", "redo", "find" }, "redo", true },
        { "more than three stored, still closed", { "a", "b", "c", "d" }, "copy", false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        EXPECT_EQ(isPresetRowEnabled(row.selected, row.id), row.enabled);
    }
}

TEST(ListRules, LimitTextFromTheLastFreePlaceOn)
{
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
    struct Row {
        const char* shows;
        std::string url;
        bool enabled;
    };
    const Row rows[] = {
        { "empty", "", false },
        { "spaces only", "   ", false },
        { "tabs and line breaks", "\t\n \r\n", false },
        { "ideographic space", "\u3000", false },
        { "a host", "example.com", true },
        { "a host among spaces", "  example.com \n", true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        EXPECT_EQ(canAddSite(row.url), row.enabled);
    }
}

TEST(ListRules, KeyboardMovesGoOntoTheNeighbour)
{
    const Ids ids { "A", "B", "C" };
    struct Row {
        const char* shows;
        std::string id;
        MoveDirection direction;
        std::optional<std::string> target;
    };
    const Row rows[] = {
        { "up from the middle", "B", MoveDirection::Up, "A" },
        { "down from the middle", "B", MoveDirection::Down, "C" },
        { "up from the top", "A", MoveDirection::Up, std::nullopt },
        { "down from the bottom", "C", MoveDirection::Down, std::nullopt },
        { "a row that is gone", "X", MoveDirection::Up, std::nullopt },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        EXPECT_EQ(keyboardMoveTarget(ids, row.id, row.direction), row.target);
    }
}

} // namespace
} // namespace kavora
