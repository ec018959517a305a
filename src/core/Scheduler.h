// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace kavora {

using Seconds = std::chrono::duration<double>;

// A timer's shared cancellation flag. Dropping a TimerHandle does not cancel the timer, so
// one-shot calls may be fired and forgotten; keep the handle to cancel it.
class TimerHandle {
public:
    TimerHandle() = default;
    explicit TimerHandle(std::shared_ptr<bool> cancelled)
        : cancelled_(std::move(cancelled))
    {
    }

    void cancel()
    {
        if (cancelled_)
            *cancelled_ = true;
        cancelled_.reset();
    }
    bool isActive() const { return cancelled_ && !*cancelled_; }
    // Tells timers apart for the scheduler that made them; null once cancelled here.
    const void* id() const { return cancelled_.get(); }

private:
    std::shared_ptr<bool> cancelled_;
};

// A one-shot timer whose owner keeps its deadline and may move it at every input message: a
// deadline moved is read by the run loop the next time it goes to sleep, so moving it costs no
// more than a store and wakes nothing. Destroying it cancels it.
class DeadlineTimer {
public:
    virtual ~DeadlineTimer() = default;

    // Runs the task once at `at` (a time on the scheduler's clock), at once when that has
    // passed; replaces the deadline set before.
    virtual void setDeadline(Seconds at) = 0;
    // Runs nothing until a deadline is set again.
    virtual void clear() = 0;
};

// The main queue and its run loop: every piece of logic runs on the thread that drains it.
// post() may be called from any thread; the rest only from the main thread.
class Scheduler {
public:
    using Task = std::function<void()>;

    virtual ~Scheduler() = default;

    // Runs the task on the main queue after everything already queued.
    virtual void post(Task task) = 0;
    // Runs the task once, delay from now.
    virtual TimerHandle after(Seconds delay, Task task) = 0;
    // Runs the task every interval until the handle is cancelled.
    virtual TimerHandle every(Seconds interval, Task task) = 0;
    // A timer that runs the task at the deadlines its owner sets. It must not outlive the
    // scheduler.
    virtual std::unique_ptr<DeadlineTimer> deadlineTimer(Task task) = 0;
    // Monotonic time since an arbitrary origin (the system uptime).
    virtual Seconds now() const = 0;
};

} // namespace kavora
