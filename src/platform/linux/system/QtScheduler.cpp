// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/QtScheduler.h"

#include <QAbstractEventDispatcher>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include <glib.h>

namespace kavora {

TickGrid::TickGrid(Seconds origin, Seconds interval)
    : origin_(origin)
    , interval_(std::max(interval, Seconds(1e-3)))
{
}

std::chrono::milliseconds TickGrid::nextWait(Seconds now)
{
    std::int64_t next = ++handled_ + 1;
    const auto passed = static_cast<std::int64_t>(std::floor((now - origin_) / interval_));
    if (next <= passed)
        next = passed + 1; // late: skip the deadlines already gone
    handled_ = next - 1;
    const Seconds wait = origin_ + interval_ * static_cast<double>(next) - now;
    return std::chrono::milliseconds(std::max<long>(0, std::lround(wait.count() * 1000.0)));
}

QtScheduler::QtScheduler()
{
    clock_.start();
}

QtScheduler::~QtScheduler() = default;

void QtScheduler::post(Task task)
{
    // Thread-safe: a queued call lands on the thread that owns the context.
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

TimerHandle QtScheduler::after(Seconds delay, Task task)
{
    return start(delay, false, std::move(task));
}

TimerHandle QtScheduler::every(Seconds interval, Task task)
{
    return start(interval, true, std::move(task));
}

namespace {

std::chrono::milliseconds wholeMilliseconds(Seconds wait)
{
    return std::chrono::milliseconds(std::lround(std::max(0.0, wait.count()) * 1000.0));
}

// What a deadline source reads, owned by the source: GLib frees it with the source, after a
// dispatch in which the task destroyed its timer has returned.
struct DeadlineState {
    const QtScheduler* clock;
    std::optional<Seconds> deadline;
    Scheduler::Task task;
};

struct DeadlineSource {
    GSource base; // first: GLib hands the source back as a GSource*
    DeadlineState* state;
};

DeadlineState& stateOf(GSource* source)
{
    return *reinterpret_cast<DeadlineSource*>(source)->state;
}

gboolean prepareDeadline(GSource* source, gint* timeout)
{
    const auto& state = stateOf(source);
    *timeout = -1;
    if (!state.deadline)
        return FALSE;
    const double left = (*state.deadline - state.clock->now()).count();
    if (left <= 0) {
        *timeout = 0;
        return TRUE;
    }
    // Whole milliseconds, rounded up: the loop does not wake before the deadline.
    constexpr double longest = std::numeric_limits<gint>::max();
    *timeout = static_cast<gint>(std::min(std::ceil(left * 1000), longest));
    return FALSE;
}

gboolean checkDeadline(GSource* source)
{
    const auto& state = stateOf(source);
    return state.deadline && state.clock->now() >= *state.deadline ? TRUE : FALSE;
}

gboolean dispatchDeadline(GSource* source, GSourceFunc, gpointer)
{
    auto& state = stateOf(source);
    // Asked again: what ran before it in the same turn of the loop may have moved the deadline.
    if (!state.deadline || state.clock->now() < *state.deadline)
        return G_SOURCE_CONTINUE;
    state.deadline.reset();
    state.task();
    return G_SOURCE_CONTINUE;
}

void finalizeDeadline(GSource* source)
{
    delete reinterpret_cast<DeadlineSource*>(source)->state;
}

GSourceFuncs deadlineFunctions { prepareDeadline,  checkDeadline, dispatchDeadline,
                                 finalizeDeadline, nullptr,       nullptr };

class GlibDeadlineTimer final : public DeadlineTimer {
public:
    GlibDeadlineTimer(const QtScheduler& clock, Scheduler::Task task)
        : source_(g_source_new(&deadlineFunctions, sizeof(DeadlineSource)))
    {
        reinterpret_cast<DeadlineSource*>(source_)->state
            = new DeadlineState { &clock, std::nullopt, std::move(task) };
        // The context Qt's loop runs on this thread (null: the global default one).
        g_source_attach(source_, g_main_context_get_thread_default());
    }
    ~GlibDeadlineTimer() override
    {
        g_source_destroy(source_);
        g_source_unref(source_);
    }
    GlibDeadlineTimer(const GlibDeadlineTimer&) = delete;
    GlibDeadlineTimer& operator=(const GlibDeadlineTimer&) = delete;

    void setDeadline(Seconds at) override { stateOf(source_).deadline = at; }
    void clear() override { stateOf(source_).deadline.reset(); }

private:
    GSource* source_;
};

// Without GLib's loop: a one-shot timer of the scheduler's, started again at each move.
class OneShotDeadlineTimer final : public DeadlineTimer {
public:
    OneShotDeadlineTimer(QtScheduler& scheduler, Scheduler::Task task)
        : scheduler_(scheduler)
        , task_(std::move(task))
    {
    }
    ~OneShotDeadlineTimer() override { timer_.cancel(); }
    OneShotDeadlineTimer(const OneShotDeadlineTimer&) = delete;
    OneShotDeadlineTimer& operator=(const OneShotDeadlineTimer&) = delete;

    void setDeadline(Seconds at) override
    {
        timer_.cancel();
        timer_ = scheduler_.after(at - scheduler_.now(), task_);
    }
    void clear() override { timer_.cancel(); }

private:
    QtScheduler& scheduler_;
    Scheduler::Task task_;
    TimerHandle timer_;
};

} // namespace

std::unique_ptr<DeadlineTimer> QtScheduler::deadlineTimer(Task task)
{
    const auto* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher != nullptr && dispatcher->inherits("QEventDispatcherGlib"))
        return std::make_unique<GlibDeadlineTimer>(*this, std::move(task));
    return std::make_unique<OneShotDeadlineTimer>(*this, std::move(task));
}

struct QtScheduler::Timer {
    QTimer* timer = nullptr; // owned by the context
    std::shared_ptr<bool> cancelled;
    Seconds interval { 0 };
    std::optional<TickGrid> grid; // set for a repeating timer
    Task task;
};

TimerHandle QtScheduler::start(Seconds interval, bool repeat, Task task)
{
    auto state = std::make_shared<Timer>();
    state->cancelled = std::make_shared<bool>(false);
    state->timer = new QTimer(&context_);
    state->timer->setTimerType(Qt::PreciseTimer);
    // Every timer is single-shot; a repeating one is started again for its next deadline.
    state->timer->setSingleShot(true);
    state->interval = interval;
    state->task = std::move(task);
    if (repeat) {
        state->grid.emplace(now(), interval);
        repeating_[state->cancelled.get()] = state;
    }
    // The connection, owned by the QTimer, keeps the state until the QTimer is deleted.
    QObject::connect(state->timer, &QTimer::timeout, state->timer, [this, state] { fire(state); });
    state->timer->start(wholeMilliseconds(interval));
    return TimerHandle(state->cancelled);
}

void QtScheduler::fire(const std::shared_ptr<Timer>& timer)
{
    if (*timer->cancelled) {
        release(timer);
        return;
    }
    if (!timer->grid)
        *timer->cancelled = true;
    timer->task();
    if (timer->grid && !*timer->cancelled)
        timer->timer->start(timer->grid->nextWait(now()));
    else
        release(timer);
}

void QtScheduler::release(const std::shared_ptr<Timer>& timer)
{
    timer->timer->stop();
    timer->timer->deleteLater();
    repeating_.erase(timer->cancelled.get());
}

Seconds QtScheduler::now() const
{
    return Seconds(static_cast<double>(clock_.nsecsElapsed()) / 1e9);
}

} // namespace kavora
