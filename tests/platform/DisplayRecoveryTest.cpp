// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/DisplayRecovery.h"

#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace kavora::test {
namespace {

// What the recovery did, one "step@seconds" per call, over the 30 s after a loss at 0 s. The
// display is back from `backFrom` on (never when negative).
std::string recoveryAfterLoss(double backFrom, double secondLossAt = -1)
{
    VirtualScheduler scheduler;
    std::ostringstream steps;
    const auto note
        = [&](const char* step) { steps << step << "@" << scheduler.now().count() << " "; };
    DisplayRecovery recovery(scheduler,
                             { [&] { note("lost"); },
                               [&] {
                                   note("try");
                                   return backFrom >= 0 && scheduler.now().count() >= backFrom;
                               },
                               [&] { note("back"); }, [&] { note("gaveUp"); } });
    recovery.connectionLost();
    if (secondLossAt >= 0) {
        scheduler.advance(Seconds(secondLossAt));
        recovery.connectionLost();
    }
    scheduler.advance(Seconds(30) - scheduler.now());
    return steps.str();
}

TEST(DisplayRecoveryTable, AttemptsBackOffAndGiveUpTwentySecondsAfterTheLoss)
{
    struct Row {
        const char* name;
        double backFrom;
        double secondLossAt;
        const char* steps;
    };
    // clang-format off
    const Row rows[] = {
        { "back at the first attempt, half a second after the loss", 0, -1,
          "lost@0 try@0.5 back@0.5 " },
        { "waits double each time", 3.4, -1,
          "lost@0 try@0.5 try@1.5 try@3.5 back@3.5 " },
        { "at most four seconds between attempts", 11.5, -1,
          "lost@0 try@0.5 try@1.5 try@3.5 try@7.5 try@11.5 back@11.5 " },
        { "the last attempt is at twenty seconds and can still succeed", 19.6, -1,
          "lost@0 try@0.5 try@1.5 try@3.5 try@7.5 try@11.5 try@15.5 try@19.5 try@20 back@20 " },
        { "never back: gives up at twenty seconds", -1, -1,
          "lost@0 try@0.5 try@1.5 try@3.5 try@7.5 try@11.5 try@15.5 try@19.5 try@20 gaveUp@20 " },
        { "a loss noticed again meanwhile changes nothing", 1.5, 1,
          "lost@0 try@0.5 try@1.5 back@1.5 " },
        { "a loss after the display came back starts over", 0, 2,
          "lost@0 try@0.5 back@0.5 lost@2 try@2.5 back@2.5 " },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(recoveryAfterLoss(row.backFrom, row.secondLossAt), row.steps);
    }
}

} // namespace
} // namespace kavora::test
