#include "presentation/ShellFace.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(ShellFace, TheTrayThenTheSwitchDecideWhatShowsAHiddenProgram)
{
    struct Row {
        const char* shows;
        bool trayShown;
        bool isAdvertising;
        bool userClosedWindow;
        HiddenFace face;
    };
    // clang-format off
    const Row rows[] = {
        { "the icon, on", true, true, true, HiddenFace::StatusIcon },
        { "the icon, off", true, false, true, HiddenFace::StatusIcon },
        { "no tray, on: the notice", false, true, true, HiddenFace::Notice },
        { "no tray, on, the tray left: the notice", false, true, false, HiddenFace::Notice },
        { "no tray, off, closed by the user: the end", false, false, true, HiddenFace::Quit },
        { "no tray, off, the tray left: the window again", false, false, false, HiddenFace::Window },
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(hiddenFace(row.trayShown, row.isAdvertising, row.userClosedWindow), row.face)
            << row.shows;
}

} // namespace
} // namespace kavora
