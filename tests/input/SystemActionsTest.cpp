// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/InjectorFixture.h"

#include <functional>
#include <limits>

namespace kavora::test {
namespace {

const Lines kCommandEquals = commandStroke(24);
const Lines kCommandMinus = commandStroke(27);

// The zoom-in item `depth` levels below the menu bar.
FakeMenuElement::Ptr nested(FakeAccessibility& a, int depth)
{
    auto element = a.item("Zoom In");
    for (int i = 0; i < depth; ++i)
        element = a.menu("Level", { element });
    return element;
}

// The zoom-in item as the `count`th element of the search: last in a flat menu bar.
FakeMenuElement::Ptr visitedAs(FakeAccessibility& a, int count)
{
    std::vector<FakeMenuElement::Ptr> items(static_cast<std::size_t>(count - 2), a.item("Other"));
    items.push_back(a.item("Zoom In"));
    return a.menu("", std::move(items));
}

TEST(ZoomTable, PressesTheFirstMatchingMenuItemOrFallsBackToTheShortcut)
{
    using A = FakeAccessibility&;
    struct Row {
        const char* name;
        float scale;
        std::function<FakeMenuElement::Ptr(A)> menuBar;
        Lines presses;
        Lines keys;
    };
    const auto english = [](A a) {
        return a.menu("",
                      { a.menu("File", { a.item("Open") }),
                        a.menu("View", { a.item("Zoom Out"), a.item("Zoom In") }) });
    };
    // clang-format off
    const Row rows[] = {
        { "scale 1 zooms in", 1.0F, english, { "Zoom In" }, {} },
        { "scale 1.3 zooms in", 1.3F, english, { "Zoom In" }, {} },
        { "scale 0.999 zooms out", 0.999F, english, { "Zoom Out" }, {} },
        { "Japanese zoom out", 0.7F, [](A a) { return a.menu("", { a.menu("表示", { a.item("拡大"), a.item("縮小") }) }); }, { "縮小" }, {} },
        { "katakana zoom in", 1.0F, [](A a) { return a.menu("", { a.item("ズームイン") }); }, { "ズームイン" }, {} },
        { "katakana zoom out", 0.5F, [](A a) { return a.menu("", { a.item("ズームアウト") }); }, { "ズームアウト" }, {} },
        { "titles match exactly", 1.0F, [](A a) { return a.menu("", { a.menu("View", { a.item("zoom in"), a.item("Zoom In…"), a.item("Zoom In ") }) }); }, {}, kCommandEquals },
        { "no menu bar", 0.7F, [](A) { return nullptr; }, {}, kCommandMinus },
        { "an earlier menu's deep item before a later shallow one", 1.0F,
          [](A a) { return a.menu("", { a.menu("File", { a.menu("More", { a.item("拡大") }) }), a.item("Zoom In") }); }, { "拡大" }, {} },
        { "a failed press goes on with the next sibling, not the children", 1.0F,
          [](A a) {
              auto failing = a.menu("Zoom In", { a.item("拡大") });
              failing->pressSucceeds = false;
              return a.menu("", { failing, a.item("ズームイン") });
          },
          { "Zoom In (failed)", "ズームイン" }, {} },
        { "only failed presses fall back", 0.5F, [](A a) { return a.menu("", { a.item("Zoom Out", false) }); }, { "Zoom Out (failed)" }, kCommandMinus },
        { "an untitled element's children are searched", 1.0F, [](A a) { return a.menu(std::nullopt, { a.menu(std::nullopt, { a.item("Zoom In") }) }); }, { "Zoom In" }, {} },
        { "an item 32 levels down is found", 1.0F, [](A a) { return nested(a, 32); }, { "Zoom In" }, {} },
        { "an item 33 levels down is not", 1.0F, [](A a) { return nested(a, 33); }, {}, kCommandEquals },
        { "the 20000th element is searched", 1.0F, [](A a) { return visitedAs(a, 20000); }, { "Zoom In" }, {} },
        { "the 20001st is not", 1.0F, [](A a) { return visitedAs(a, 20001); }, {}, kCommandEquals },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        InjectorHarness h;
        h.accessibility.menuBar = row.menuBar(h.accessibility);
        h.inject(msg::Pinch { row.scale });
        EXPECT_EQ(h.accessibility.presses, row.presses);
        EXPECT_EQ(h.events.lines(), row.keys);
    }
}

using SystemActions = InjectorTest;

TEST_F(SystemActions, MenuTreeThatLoopsBackOnItselfEndsInTheFallback)
{
    auto loop = accessibility.menu("Loop", {});
    loop->childElements = { loop, loop };
    accessibility.menuBar = loop;
    inject(msg::Pinch { 2 });
    loop->childElements->clear(); // break the ownership cycle
    EXPECT_TRUE(accessibility.presses.empty());
    EXPECT_EQ(events.lines(), kCommandEquals);
}

// Another application's menus answer later: the steps wait their turn, and a step's fallback key
// that comes while text is being typed waits behind the text.
TEST_F(SystemActions, ZoomStepsAnsweredLaterAreCarriedOutInTurn)
{
    accessibility.answering
        = [this](std::function<void()> answer) { scheduler.post(std::move(answer)); };
    accessibility.menuBar = accessibility.menu("", { accessibility.item("Zoom In") });
    inject(msg::Pinch { 2 });
    inject(msg::Pinch { 2 });
    EXPECT_TRUE(accessibility.presses.empty()) << "nothing answered yet";
    scheduler.runPending();
    EXPECT_EQ(accessibility.presses, (Lines { "Zoom In", "Zoom In" }));

    pasteboard.settableInBackground = false;
    inject(msg::Pinch { 0.5F });
    inject(msg::TextInput { std::string(3000, 'a') }); // typed in more turns than the search takes
    scheduler.runPending();
    const auto lines = events.lines();
    ASSERT_EQ(lines.size(), 6000U + kCommandMinus.size());
    EXPECT_EQ(Lines(lines.end() - 4, lines.end()), kCommandMinus);
}

TEST(VolumeTable, StepsAreClampedAndUnmuteFirst)
{
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    const Lines up { "media flags 0xa00 subtype 8 data1 0xa00 data2 -1",
                     "media flags 0xb00 subtype 8 data1 0xb00 data2 -1" };
    const Lines down { "media flags 0xa00 subtype 8 data1 0x10a00 data2 -1",
                       "media flags 0xb00 subtype 8 data1 0x10b00 data2 -1" };
    struct Row {
        std::int64_t steps;
        std::size_t pairs;
        const Lines* pair;
    };
    const Row rows[] = {
        { 0, 0, nullptr },  { 1, 1, &up },     { 3, 3, &up },
        { -1, 1, &down },   { 20, 20, &up },   { 21, 20, &up },
        { -50, 20, &down }, { kMax, 20, &up }, { kMin, 20, &down },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.steps);
        InjectorHarness h;
        h.inject(msg::VolumeDelta { row.steps });
        const auto lines = h.events.lines();
        ASSERT_EQ(lines.size(), row.pairs * 2);
        for (std::size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i], (*row.pair)[i % 2]);
        EXPECT_EQ(h.audio.calls, row.pairs == 0 ? Lines {} : Lines { "mute false" });
    }
}

TEST(MuteTable, FailureIsLoggedOnlyWithADescription)
{
    const std::pair<MuteOutcome, Lines> rows[] = {
        { { true, std::nullopt }, {} },
        { { false, "Access not allowed." },
          { "Kavora setMuted AppleScript error: Access not allowed." } },
        { { false, std::nullopt }, {} },
    };
    for (const auto& [outcome, log] : rows) {
        InjectorHarness h;
        h.audio.outcome = outcome;
        h.inject(msg::SetMuted { true });
        EXPECT_EQ(h.audio.calls, (Lines { "mute true" }));
        EXPECT_EQ(h.log.lines, log);
    }
}

TEST_F(SystemActions, VolumeKeysGoOutEvenWhenUnmutingFails)
{
    audio.outcome = { false, "No output device" };
    inject(msg::VolumeDelta { 1 });
    EXPECT_EQ(log.lines, (Lines { "Kavora setMuted AppleScript error: No output device" }));
    EXPECT_EQ(events.lines().size(), 2u);
}

TEST_F(SystemActions, MuteToggleIsOneMuteKeyPressAndReleaseAndMissionControlTheOverview)
{
    inject(msg::MuteToggle {});
    inject(msg::MissionControl {});
    EXPECT_EQ(events.lines(),
              (Lines { "media flags 0xa00 subtype 8 data1 0x70a00 data2 -1",
                       "media flags 0xb00 subtype 8 data1 0x70b00 data2 -1" }));
    EXPECT_TRUE(audio.calls.empty());
    EXPECT_EQ(launcher.lines, (Lines { "open -a Mission Control" }));
}

TEST(NotInputTable, CasesTheControllerHandlesDoNothingHere)
{
    // clang-format off
    const ControlMessage rows[] = {
        msg::Heartbeat {}, msg::LaunchApp { "a.App" }, msg::ActivateApp { "a.App" },
        msg::OpenURL { "https://example.com", "com.google.Chrome" }, msg::RequestAppList {},
        msg::AppList { { AppInfo { "a.App", "App", std::nullopt, true } } }, msg::RequestRegisteredApps {},
        msg::RegisteredAppList {}, msg::RequestSystemButtons {}, msg::SystemButtons {},
        msg::RequestFavoriteSites {}, msg::FavoriteSites {},
    };
    // clang-format on
    for (const auto& message : rows) {
        SCOPED_TRACE(message.index());
        InjectorHarness h;
        h.inject(message);
        EXPECT_TRUE(h.events.lines().empty());
        EXPECT_TRUE(h.launcher.lines.empty());
        EXPECT_TRUE(h.pasteboard.operations.empty());
        EXPECT_EQ(h.scheduler.pendingCount(), 0u);
    }
}

} // namespace
} // namespace kavora::test
