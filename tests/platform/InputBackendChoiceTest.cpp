// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/InputBackendChoice.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

TEST(InputBackendChoiceTable, SessionTypeThenDisplaysThenProbesDecide)
{
    struct Row {
        const char* name;
        const char* sessionType;
        bool wayland;
        bool x11;
        bool xtest;
        bool portal;
        InputBackend expected;
    };
    using enum InputBackend;
    // clang-format off
    const Row rows[] = {
        { "X11 session", "x11", false, true, true, false, XTest },
        { "X11 session whose server lacks XTEST", "x11", false, true, false, true, None },
        { "X11 session with a stray WAYLAND_DISPLAY", "x11", true, true, true, true, XTest },
        { "Wayland session", "wayland", true, true, true, true, Portal },
        { "Wayland session: Xwayland's XTest is not enough", "wayland", true, true, true, false, None },
        { "Wayland session without WAYLAND_DISPLAY yet", "wayland", false, false, false, true, Portal },
        { "no session type, a Wayland display", "", true, true, true, true, Portal },
        { "no session type, only an X display", "", false, true, true, true, XTest },
        { "a tty with an X display", "tty", false, true, true, false, XTest },
        { "nothing at all", "tty", false, false, true, true, None },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        int probes = 0;
        const InputEnvironment environment { row.sessionType, row.wayland, row.x11,
                                             [&] { return ++probes, row.xtest; },
                                             [&] { return ++probes, row.portal; } };
        const auto choice = chooseInputBackend(environment);
        EXPECT_EQ(choice.backend, row.expected);
        EXPECT_LE(probes, 1) << "one probe at most: each may take a round trip";
        EXPECT_EQ(choice.logLine.empty(), row.expected != None);
        EXPECT_EQ(choice.hint.empty(), row.expected != None);
    }
}

} // namespace
} // namespace kavora::test
