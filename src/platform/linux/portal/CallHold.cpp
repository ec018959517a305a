// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/portal/CallHold.h"

#include <utility>

namespace kavora {

CallHold::CallHold(Scheduler& scheduler)
    : scheduler_(scheduler)
{
}

CallHold::~CallHold()
{
    drop();
}

void CallHold::holdFor(Seconds duration)
{
    if (timer_)
        timer_->cancel();
    timer_ = scheduler_.after(duration, [this] { release(); });
}

void CallHold::run(std::function<void()> call)
{
    if (timer_)
        held_.push_back(std::move(call));
    else
        call();
}

void CallHold::drop()
{
    if (timer_)
        timer_->cancel();
    timer_.reset();
    held_.clear();
}

void CallHold::release()
{
    timer_.reset();
    for (auto& call : std::exchange(held_, {}))
        call();
}

} // namespace kavora
