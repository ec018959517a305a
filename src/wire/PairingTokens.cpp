// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/PairingTokens.h"

#include "core/Base64.h"

#include <algorithm>

namespace kavora {

PairingTokens::PairingTokens(Scheduler& scheduler, RandomSource random)
    : scheduler_(scheduler)
    , random_(std::move(random))
{
}

PairingTokens::~PairingTokens()
{
    expiry_.cancel();
}

std::string PairingTokens::issue()
{
    dropExpired();
    while (live_.size() >= kMaxLive)
        live_.pop_front();
    auto token = encodeBase64Url(random_(kTokenBytes));
    live_.push_back({ token, scheduler_.now() + kLifetime });
    lastIssued_ = token;
    publishNewest();
    return token;
}

bool PairingTokens::redeem(std::string_view token)
{
    dropExpired();
    const auto found = std::find_if(live_.begin(), live_.end(),
                                    [&](const Live& live) { return live.token == token; });
    if (found == live_.end())
        return false;
    live_.erase(found);
    publishNewest();
    return true;
}

void PairingTokens::dropExpired()
{
    const auto now = scheduler_.now();
    const auto before = live_.size();
    std::erase_if(live_, [now](const Live& live) { return live.expires <= now; });
    if (live_.size() != before)
        publishNewest();
}

void PairingTokens::publishNewest()
{
    // The code issued last, while it is still good: an older one still live was shown elsewhere.
    const std::string newest
        = live_.empty() || live_.back().token != lastIssued_ ? std::string() : live_.back().token;
    expiry_.cancel();
    if (!live_.empty()) {
        expiry_
            = scheduler_.after(live_.front().expires - scheduler_.now(), [this] { dropExpired(); });
    }
    if (*newest_ != newest)
        newest_ = newest;
}

} // namespace kavora
