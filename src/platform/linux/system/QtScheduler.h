#pragma once

#include "core/Scheduler.h"

#include <QElapsedTimer>
#include <QObject>

#include <chrono>
#include <cstdint>

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
// the pointer frame timer runs at 120 Hz, and repeating ones keep their rate (TickGrid).
class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;

    void post(Task task) override;
    TimerHandle after(Seconds delay, Task task) override;
    TimerHandle every(Seconds interval, Task task) override;
    Seconds now() const override;

private:
    TimerHandle start(Seconds interval, bool repeat, Task task);

    QObject context_; // owns the timers; queued tasks die with it
    QElapsedTimer clock_;
};

} // namespace kavora
