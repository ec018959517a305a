// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/VirtualScheduler.h"

#include <algorithm>

namespace kavora::test {

void VirtualScheduler::post(Task task)
{
    schedule(now_, Seconds(0), std::move(task));
}

TimerHandle VirtualScheduler::after(Seconds delay, Task task)
{
    return schedule(now_ + std::max(delay, Seconds(0)), Seconds(0), std::move(task));
}

TimerHandle VirtualScheduler::every(Seconds interval, Task task)
{
    return schedule(now_ + interval, interval, std::move(task));
}

// A one-shot entry at the deadline, replaced whenever the deadline moves.
class VirtualScheduler::Deadline final : public DeadlineTimer {
public:
    Deadline(VirtualScheduler& scheduler, Task task)
        : scheduler_(scheduler)
        , task_(std::move(task))
    {
    }
    ~Deadline() override { entry_.cancel(); }
    void setDeadline(Seconds at) override
    {
        entry_.cancel();
        entry_ = scheduler_.schedule(std::max(at, scheduler_.now_), Seconds(0), task_);
    }
    void clear() override { entry_.cancel(); }

private:
    VirtualScheduler& scheduler_;
    Task task_;
    TimerHandle entry_;
};

std::unique_ptr<DeadlineTimer> VirtualScheduler::deadlineTimer(Task task)
{
    return std::make_unique<Deadline>(*this, std::move(task));
}

TimerHandle VirtualScheduler::schedule(Seconds due, Seconds interval, Task task)
{
    auto cancelled = std::make_shared<bool>(false);
    entries_.push_back({ due, nextOrder_++, interval, cancelled, std::move(task) });
    return TimerHandle(cancelled);
}

void VirtualScheduler::advance(Seconds delta)
{
    const auto limit = now_ + delta;
    while (runNextDue(limit)) { }
    now_ = limit;
}

bool VirtualScheduler::runNextDue(Seconds limit)
{
    std::erase_if(entries_, [](const Entry& entry) { return *entry.cancelled; });
    auto next
        = std::min_element(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
              return a.due != b.due ? a.due < b.due : a.order < b.order;
          });
    if (next == entries_.end() || next->due > limit)
        return false;

    Entry entry = std::move(*next);
    entries_.erase(next);
    now_ = std::max(now_, entry.due);
    if (entry.interval > Seconds(0)) {
        // Re-arm before running so that the task may cancel its own repeating timer.
        entries_.push_back({ entry.due + entry.interval, nextOrder_++, entry.interval,
                             entry.cancelled, entry.task });
    } else {
        *entry.cancelled = true; // a fired one-shot is no longer active
    }
    entry.task();
    return true;
}

std::size_t VirtualScheduler::pendingCount() const
{
    return static_cast<std::size_t>(std::count_if(
        entries_.begin(), entries_.end(), [](const Entry& entry) { return !*entry.cancelled; }));
}

} // namespace kavora::test
