// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Scheduler.h"

#include <functional>
#include <optional>
#include <vector>

namespace kavora {

// Holds calls for a while and then makes them in the order they came, none dropped. A new
// remote-desktop session loses the first events sent into it; the session sends its warm-up at
// once and holds the user's input behind it until the compositor is ready.
class CallHold {
public:
    explicit CallHold(Scheduler& scheduler);
    ~CallHold();
    CallHold(const CallHold&) = delete;
    CallHold& operator=(const CallHold&) = delete;

    // Calls made from now until `duration` has passed wait, then run in order.
    void holdFor(Seconds duration);
    // Makes the call now, or after those held before it.
    void run(std::function<void()> call);
    // Forgets the held calls and ends the hold: what they were for has gone.
    void drop();

private:
    void release();

    Scheduler& scheduler_;
    std::optional<TimerHandle> timer_;
    std::vector<std::function<void()>> held_;
};

} // namespace kavora
