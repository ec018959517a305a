#include "platform/linux/system/QtScheduler.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>

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

} // namespace

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

bool QtScheduler::runEarly(const TimerHandle& handle, Seconds window,
                           std::optional<Seconds> restartIn)
{
    const auto found = repeating_.find(handle.id());
    if (!handle.isActive() || found == repeating_.end())
        return false;
    const auto timer = found->second; // the task may cancel the timer and so drop the entry
    const Seconds at = now();
    if (timer->grid->nextDeadline() - at > window)
        return false;
    timer->timer->stop();
    timer->task();
    if (*timer->cancelled) {
        release(timer);
    } else if (restartIn) {
        // A grid whose first deadline is the restart.
        timer->grid.emplace(at + *restartIn - timer->interval, timer->interval);
        timer->timer->start(wholeMilliseconds(*restartIn));
    } else {
        // The wait skips the deadline just served: the next run is at the one after it.
        timer->timer->start(timer->grid->nextWait(at));
    }
    return true;
}

Seconds QtScheduler::now() const
{
    return Seconds(static_cast<double>(clock_.nsecsElapsed()) / 1e9);
}

} // namespace kavora
