// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"
#include "core/Published.h"
#include "core/Scheduler.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace kavora {

// The pairing codes this computer issues for browser controllers: 128 random bits each, written
// as base64url (22 characters), good for kLifetime and for one use. At most kMaxLive are valid at
// once; a new one pushes out the oldest. The newest valid code is published (empty when none is),
// so that whoever shows it learns at once when it was used or expired. Main thread only.
class PairingTokens {
public:
    static constexpr Seconds kLifetime { 300 };
    static constexpr std::size_t kMaxLive = 3;
    static constexpr std::size_t kTokenBytes = 16;
    // Fills a buffer with bytes from a cryptographic source.
    using RandomSource = std::function<Bytes(std::size_t count)>;

    PairingTokens(Scheduler& scheduler, RandomSource random);
    PairingTokens(const PairingTokens&) = delete;
    PairingTokens& operator=(const PairingTokens&) = delete;
    ~PairingTokens();

    // Issues a new code and publishes it as the newest.
    std::string issue();
    // True once for a code that was issued and has not expired; the code is spent either way.
    bool redeem(std::string_view token);
    const Published<std::string>& newest() const { return newest_; }

private:
    struct Live {
        std::string token;
        Seconds expires;
    };

    void dropExpired();
    void publishNewest();

    Scheduler& scheduler_;
    RandomSource random_;
    std::deque<Live> live_; // oldest first
    std::string lastIssued_;
    TimerHandle expiry_; // fires when the oldest expires
    Published<std::string> newest_;
};

} // namespace kavora
