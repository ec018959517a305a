#include "controller/SystemButtonPresets.h"

#include <gtest/gtest.h>

#include <variant>

namespace kavora {
namespace {

std::vector<std::string> idsOf(const std::vector<SystemButton>& buttons)
{
    std::vector<std::string> ids;
    for (const auto& button : buttons)
        ids.push_back(button.id);
    return ids;
}

TEST(SystemButtonPresets, CatalogueHoldsTwelveInOrderAndOnlyMissionControlIsNotAShortcut)
{
    const auto& presets = systemButtonPresets();
    EXPECT_EQ(idsOf(presets),
              (std::vector<std::string> { "copy", "paste", "undo", "redo", "save", "selectall",
                                          "find", "close", "missioncontrol", "screenshot",
                                          "spotlight", "appswitch" }));
    for (const auto& preset : presets) {
        const bool isMissionControl = std::holds_alternative<macro::MissionControl>(preset.action);
        EXPECT_EQ(isMissionControl, preset.id == "missioncontrol") << preset.id;
        EXPECT_EQ(isMissionControl, !std::holds_alternative<macro::Shortcut>(preset.action))
            << preset.id;
    }
    const auto& redo = std::get<macro::Shortcut>(presets[3].action);
    EXPECT_EQ(redo.modifier, 0x0A);
    EXPECT_EQ(redo.keyCode, 0x1D);
    const auto& screenshot = std::get<macro::Shortcut>(presets[9].action);
    EXPECT_EQ(screenshot.modifier, 0x0A);
    EXPECT_EQ(screenshot.keyCode, 0x21);
}

TEST(SystemButtonPresets, SelectionKeepsTheUserOrderAndSkipsUnknownIds)
{
    EXPECT_EQ(idsOf(selectedSystemButtons({ "spotlight", "screenshot", "missioncontrol" })),
              (std::vector<std::string> { "spotlight", "screenshot", "missioncontrol" }));
    EXPECT_EQ(idsOf(selectedSystemButtons({ "copy", "nosuch", "paste" })),
              (std::vector<std::string> { "copy", "paste" }));
    EXPECT_EQ(idsOf(selectedSystemButtons({ "Copy" })), std::vector<std::string> {});
}

TEST(SystemButtonPresets, ToggleRemovesAddsAndRefusesAFourth)
{
    using Ids = std::vector<std::string>;
    EXPECT_EQ(toggledSystemButtonIDs({ "a", "b", "c" }, "copy"), std::nullopt);
    EXPECT_EQ(toggledSystemButtonIDs({ "a", "b", "c" }, "b"), (Ids { "a", "c" }));
    EXPECT_EQ(toggledSystemButtonIDs({ "a", "b" }, "copy"), (Ids { "a", "b", "copy" }));
    EXPECT_EQ(toggledSystemButtonIDs({ "a", "x", "b", "x" }, "x"), (Ids { "a", "b", "x" }));
}

} // namespace
} // namespace kavora
