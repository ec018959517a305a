#include "platform/linux/system/QtScheduler.h"

#include <QMetaObject>
#include <QTimer>

#include <cmath>

namespace kavora {

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
    timer->setSingleShot(!repeat);
    timer->setInterval(static_cast<int>(std::lround(std::max(0.0, interval.count()) * 1000.0)));
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, repeat, cancelled, task = std::move(task)] {
                         if (*cancelled) {
                             timer->deleteLater();
                             return;
                         }
                         if (!repeat) {
                             *cancelled = true;
                             timer->deleteLater();
                         }
                         task();
                     });
    timer->start();
    return TimerHandle(cancelled);
}

Seconds QtScheduler::now() const
{
    return Seconds(static_cast<double>(clock_.nsecsElapsed()) / 1e9);
}

} // namespace kavora
