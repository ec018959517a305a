// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/DisplayRecovery.h"

#include <algorithm>

namespace kavora {

DisplayRecovery::DisplayRecovery(Scheduler& scheduler, Steps steps)
    : scheduler_(scheduler)
    , steps_(std::move(steps))
{
}

DisplayRecovery::~DisplayRecovery()
{
    next_.cancel();
}

void DisplayRecovery::connectionLost()
{
    if (lostAt_)
        return;
    lostAt_ = scheduler_.now();
    steps_.lost();
    next_ = scheduler_.after(kFirstAttempt, [this] { attempt(kFirstAttempt); });
}

// `waited`: the wait that led to this attempt; the next one waits twice as long, within bounds.
void DisplayRecovery::attempt(Seconds waited)
{
    if (steps_.reconnect()) {
        lostAt_.reset();
        steps_.back();
        return;
    }
    const Seconds deadline = *lostAt_ + kGiveUpAfter;
    const Seconds now = scheduler_.now();
    if (now >= deadline) {
        lostAt_.reset();
        steps_.gaveUp();
        return;
    }
    // The last attempt is made at the deadline itself.
    const Seconds wait = std::min({ waited * 2, Seconds(kLongestWait), deadline - now });
    next_ = scheduler_.after(wait, [this, wait] { attempt(wait); });
}

} // namespace kavora
