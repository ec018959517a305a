// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/ShellFace.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(ShellFace, TheTrayThenTheSwitchDecideWhatShowsAHiddenProgram)
{
    // What it shows; whether the tray is shown, the switch is on, the user closed the window.
    // clang-format off
    const std::tuple<const char*, bool, bool, bool, HiddenFace> rows[] = {
        { "the icon, on", true, true, true, HiddenFace::StatusIcon },
        { "the icon, off", true, false, true, HiddenFace::StatusIcon },
        { "no tray, on: the notice", false, true, true, HiddenFace::Notice },
        { "no tray, on, the tray left: the notice", false, true, false, HiddenFace::Notice },
        { "no tray, off, closed by the user: the end", false, false, true, HiddenFace::Quit },
        { "no tray, off, the tray left: the window again", false, false, false, HiddenFace::Window },
    };
    // clang-format on
    for (const auto& [shows, tray, advertising, closed, face] : rows)
        EXPECT_EQ(hiddenFace(tray, advertising, closed), face) << shows;
}

} // namespace
} // namespace kavora
