// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Scheduler.h"

#include <cstdint>
#include <vector>

namespace kavora::test {

// A scheduler whose clock moves only when a test advances it. Due timers fire in time order,
// ties in the order they were scheduled; posted tasks run before any timer at the same instant.
class VirtualScheduler final : public Scheduler {
public:
    void post(Task task) override;
    TimerHandle after(Seconds delay, Task task) override;
    TimerHandle every(Seconds interval, Task task) override;
    std::unique_ptr<DeadlineTimer> deadlineTimer(Task task) override;
    Seconds now() const override { return now_; }

    // Moves the clock forward by delta, running everything that falls due on the way.
    void advance(Seconds delta);
    // Runs the posted tasks and the timers due now, without moving the clock.
    void runPending() { advance(Seconds(0)); }
    // Moves the clock without running anything, as time passes while a task works.
    void passTime(Seconds delta) { now_ += delta; }
    // Timers and posted tasks still waiting (cancelled ones excluded).
    std::size_t pendingCount() const;

private:
    struct Entry {
        Seconds due;
        std::uint64_t order;
        Seconds interval; // zero for a one-shot
        std::shared_ptr<bool> cancelled;
        Task task;
    };

    class Deadline;
    TimerHandle schedule(Seconds due, Seconds interval, Task task);
    bool runNextDue(Seconds limit);

    Seconds now_ { 0.0 };
    std::uint64_t nextOrder_ = 0;
    std::vector<Entry> entries_;
};

} // namespace kavora::test
