// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Reads arbitrary bytes as the settings value that holds the trusted controllers. The devices
// read are well formed and each there once; revoking one leaves the others and every member that
// was not read as it was, and trusting it again brings it back.

#include "link/TrustedDevices.h"

#include "support/InMemoryUserDefaults.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using nlohmann::json;

const kavora::WallTime kNow = kavora::parseStoredTime("2026-05-06T07:08:09Z").value();

void checkRead(const std::vector<kavora::TrustedDevice>& devices)
{
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        if (kavora::normalizedFingerprint(it->fingerprint) != it->fingerprint
            || std::count_if(
                   it + 1, devices.end(),
                   [&](const auto& other) { return other.fingerprint == it->fingerprint; })
                != 0)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto stored = json::parse(data, data + size, nullptr, false);
    if (stored.is_discarded())
        return 0;
    kavora::test::InMemoryUserDefaults defaults;
    defaults.setObject(kavora::TrustedDevices::kKey, stored);
    kavora::TrustedDevices trusted(defaults, [] { return kNow; });
    const auto before = *trusted.devices();
    checkRead(before);
    if (before.empty())
        return 0;

    const auto first = before.front();
    if (!trusted.revoke(first.fingerprint) || trusted.isTrusted(first.fingerprint))
        std::abort();
    if (*trusted.devices() != std::vector(before.begin() + 1, before.end()))
        std::abort();
    // Members that are no device of this fingerprint stay as they were.
    const auto after = defaults.object(kavora::TrustedDevices::kKey).value();
    for (const auto& [key, value] : stored.items()) {
        if (kavora::normalizedFingerprint(key) != first.fingerprint
            && (!after.contains(key) || after.at(key) != value))
            std::abort();
    }
    trusted.trust(first.fingerprint, first.name, kavora::TrustedDevices::Seen::NotYet);
    const auto* back = trusted.find(first.fingerprint);
    if (back == nullptr || back->name != first.name || back->trustedAt != kNow)
        std::abort();
    return 0;
}
