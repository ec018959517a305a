// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Scheduler.h"

#include <QElapsedTimer>
#include <QObject>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace kavora {

// The deadlines of a repeating timer on a fixed grid, origin + n × interval. Qt's timers count
// whole milliseconds, so a 1/120 s interval would run at 125 Hz; waiting each time for the next
// deadline on the grid gives intervals of 8 and 9 ms that keep the rate asked for on average.
// A tick that comes late does not bring a burst of catch-up ticks: the next one is the first
// deadline still ahead.
class TickGrid {
public:
    TickGrid(Seconds origin, Seconds interval);
    // The wait, in whole milliseconds, from a tick handled at `now` to the next deadline.
    std::chrono::milliseconds nextWait(Seconds now);

private:
    Seconds origin_;
    Seconds interval_;
    std::int64_t handled_ = 0; // the deadline of the last tick handled; 0 is the origin
};

// The main queue on the Qt event loop of the thread that creates it. Timers are precise, since
// the pointer frame timer runs at 120 Hz, and repeating ones keep their rate (TickGrid). A
// deadline timer is a source of GLib's main context, which Qt's loop runs (the default on Linux):
// the loop asks it how long it may sleep each time, so a deadline moves at no cost. Without
// GLib's loop it is a one-shot timer started again at each move.
class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;

    void post(Task task) override;
    TimerHandle after(Seconds delay, Task task) override;
    TimerHandle every(Seconds interval, Task task) override;
    std::unique_ptr<DeadlineTimer> deadlineTimer(Task task) override;
    Seconds now() const override;

private:
    struct Timer;
    TimerHandle start(Seconds interval, bool repeat, Task task);
    void fire(const std::shared_ptr<Timer>& timer);
    void release(const std::shared_ptr<Timer>& timer);

    QObject context_; // owns the timers; queued tasks die with it
    QElapsedTimer clock_;
    // The repeating timers, by handle id, so that they can be rescheduled.
    std::map<const void*, std::shared_ptr<Timer>> repeating_;
};

} // namespace kavora
