// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/DragReorder.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using Lines = std::vector<std::string>;

TEST(DragReorder, TheDraggedRowMovesOntoEachRowEnteredUntilTheDragEnds)
{
    // Each step: "begin X", "enter X" or "end".
    // clang-format off
    const std::tuple<const char*, Lines, Lines, std::optional<std::string>> rows[] = {
        { "onto another row", { "begin A", "enter C", "end" }, { "A onto C" }, std::nullopt },
        { "across every row", { "begin A", "enter B", "enter C" }, { "A onto B", "A onto C" }, "A" },
        { "entering the dragged row moves nothing", { "begin B", "enter B" }, {}, "B" },
        { "no drag, no move", { "enter C" }, {}, std::nullopt },
        { "after the end, entering moves nothing", { "begin A", "end", "enter C" }, {}, std::nullopt },
    };
    // clang-format on
    for (const auto& [shows, steps, expected, draggingAtEnd] : rows) {
        Lines moves;
        DragReorder drag([&](const std::string& from, const std::string& to) {
            moves.push_back(from + " onto " + to);
        });
        for (const auto& step : steps) {
            if (step.starts_with("begin "))
                drag.begin(step.substr(6));
            else if (step.starts_with("enter "))
                drag.enter(step.substr(6));
            else
                drag.end();
        }
        EXPECT_EQ(moves, expected) << shows;
        EXPECT_EQ(drag.dragging(), draggingAtEnd) << shows;
    }
}

} // namespace
} // namespace kavora
