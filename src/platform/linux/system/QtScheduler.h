#pragma once

#include "core/Scheduler.h"

#include <QElapsedTimer>
#include <QObject>

namespace kavora {

// The main queue on the Qt event loop of the thread that creates it. Timers are precise, since
// the pointer frame timer runs at 120 Hz.
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
