#include "platform/linux/desktop/RunningSource.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

TEST(RunningSourceTest, TheWindowListOnlyInX11SessionsElseTheUnitsElseTheProcesses)
{
    using S = RunningSource;
    const std::optional<std::string> unset;
    struct Row {
        const char* shows;
        SessionFacts facts;
        RunningSource source;
    };
    // clang-format off
    const Row rows[] = {
        { "an X11 session", { "x11", ":0", unset, true }, S::WindowList },
        { "Wayland with Xwayland, which lists X clients only", { "wayland", ":0", "wayland-0", true }, S::AppScopes },
        { "no session type: a Wayland display decides", { unset, ":0", "wayland-0", true }, S::AppScopes },
        { "no session type, an X display only", { unset, ":0", unset, true }, S::WindowList },
        { "a declared X11 session beside a Wayland display", { "x11", ":1", "wayland-0", false }, S::WindowList },
        { "Wayland without a user manager", { "wayland", unset, "wayland-0", false }, S::Processes },
        { "no display at all", { "tty", unset, unset, true }, S::AppScopes },
        { "an X11 session type without a display", { "x11", unset, unset, false }, S::Processes },
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(chooseRunningSource(row.facts), row.source) << row.shows;
}

} // namespace
} // namespace kavora::test
