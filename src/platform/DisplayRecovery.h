// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Scheduler.h"

#include <functional>
#include <optional>

namespace kavora {

// Brings the program's connections to the display back after one of them was lost (the server
// ended, restarted, or closed our connection). Attempts follow the loss after half a second,
// then at doubling intervals of at most four seconds. A display still unreachable twenty seconds
// after the loss is taken as gone for good (the session ended, or nothing restarts the server):
// the owner then ends the program with a failure status, so that the service manager that
// started it starts it again, rather than going on serving controllers that can move nothing.
// A server that restarts takes a few seconds; twenty leave room for a slow one while a
// restarted receiver is back within half a minute.
class DisplayRecovery {
public:
    static constexpr Seconds kFirstAttempt { 0.5 };
    static constexpr Seconds kLongestWait { 4.0 };
    static constexpr Seconds kGiveUpAfter { 20.0 };

    struct Steps {
        // Once per loss, at once: input stops.
        std::function<void()> lost;
        // One attempt; true when every connection is back.
        std::function<bool()> reconnect;
        // After the attempt that succeeded.
        std::function<void()> back;
        // After the last attempt failed.
        std::function<void()> gaveUp;
    };

    // The scheduler must outlive this object.
    DisplayRecovery(Scheduler& scheduler, Steps steps);
    ~DisplayRecovery();
    DisplayRecovery(const DisplayRecovery&) = delete;
    DisplayRecovery& operator=(const DisplayRecovery&) = delete;

    // Called by whichever connection noticed; nothing more happens while attempts are under way.
    void connectionLost();
    bool recovering() const { return lostAt_.has_value(); }

private:
    void attempt(Seconds waited);

    Scheduler& scheduler_;
    Steps steps_;
    std::optional<Seconds> lostAt_;
    TimerHandle next_;
};

} // namespace kavora
