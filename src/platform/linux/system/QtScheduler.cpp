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

TimerHandle QtScheduler::start(Seconds interval, bool repeat, Task task)
{
    auto cancelled = std::make_shared<bool>(false);
    auto* timer = new QTimer(&context_);
    timer->setTimerType(Qt::PreciseTimer);
    // Every timer is single-shot; a repeating one is started again for its next deadline.
    timer->setSingleShot(true);
    std::optional<TickGrid> grid;
    if (repeat)
        grid.emplace(now(), interval);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [this, timer, cancelled, grid, task = std::move(task)]() mutable {
                         if (*cancelled) {
                             timer->deleteLater();
                             return;
                         }
                         if (!grid) {
                             *cancelled = true;
                             timer->deleteLater();
                         }
                         task();
                         if (grid && !*cancelled)
                             timer->start(grid->nextWait(now()));
                         else if (grid)
                             timer->deleteLater();
                     });
    timer->start(static_cast<int>(std::lround(std::max(0.0, interval.count()) * 1000.0)));
    return TimerHandle(cancelled);
}

Seconds QtScheduler::now() const
{
    return Seconds(static_cast<double>(clock_.nsecsElapsed()) / 1e9);
}

} // namespace kavora
