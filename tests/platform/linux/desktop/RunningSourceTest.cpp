// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/RunningSource.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

TEST(RunningSourceTest, TheWindowListOnlyInX11SessionsElseTheUnitsElseTheProcesses)
{
    using S = RunningSource;
    const std::optional<std::string> unset;
    // clang-format off
    const std::tuple<const char*, SessionFacts, RunningSource> rows[] = {
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
    for (const auto& [shows, facts, source] : rows)
        EXPECT_EQ(chooseRunningSource(facts), source) << shows;
}

} // namespace
} // namespace kavora::test
