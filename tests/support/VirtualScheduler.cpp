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

VirtualScheduler::Entry* VirtualScheduler::repeating(const TimerHandle& timer)
{
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return timer.isActive() && entry.cancelled.get() == timer.id()
            && entry.interval > Seconds(0);
    });
    return found == entries_.end() ? nullptr : &*found;
}

bool VirtualScheduler::runEarly(const TimerHandle& timer, Seconds window,
                                std::optional<Seconds> restartIn)
{
    auto* entry = repeating(timer);
    if (!entry || entry->due - now_ > window)
        return false;
    entry->due = restartIn ? now_ + *restartIn : entry->due + entry->interval;
    const Task task = entry->task; // the task may cancel the timer and so drop the entry
    task();
    return true;
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
