// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Published.h"
#include "platform/SettingKeys.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class UserDefaults;

using WallTime = std::chrono::sys_seconds;

// A controller the user has allowed to connect without being asked.
struct TrustedDevice {
    // The SHA-256 fingerprint of its certificate: 64 lower-case hexadecimal digits.
    std::string fingerprint;
    // The name it used when it last connected, or the one the user gave it (renamed); empty when
    // it was trusted before it ever came.
    std::string name;
    WallTime trustedAt;
    std::optional<WallTime> lastSeen;
    // The user named it on this computer: the name it connects under no longer replaces that.
    bool renamed = false;
    friend bool operator==(const TrustedDevice&, const TrustedDevice&) = default;
};

// The trusted controllers, kept in the settings store under kKey as one object whose members are
// the fingerprints:
//   {"<fingerprint>": {"name": "Pad", "trusted": "2026-01-02T03:04:05Z",
//                      "lastSeen": "2026-01-02T03:04:05Z", "renamed": true}}
// A member that does not read as such an entry is ignored and left as it is. Other processes
// (`kavora devices`) change the same key; reload() takes their changes. Main thread only.
class TrustedDevices {
public:
    static constexpr std::string_view kKey = settingkey::kTrustedDevices.name;
    using Clock = std::function<WallTime()>;

    // The defaults must outlive this object; the clock says when a device was trusted or seen.
    TrustedDevices(UserDefaults& defaults, Clock clock);

    // Most recently active first (last seen, else trusted).
    const Published<std::vector<TrustedDevice>>& devices() const { return devices_; }
    const TrustedDevice* find(std::string_view fingerprint) const;
    bool isTrusted(std::string_view fingerprint) const { return find(fingerprint) != nullptr; }

    // Trusts the device, or renames a trusted one; an empty name, or a name the user gave it,
    // keeps the one it had. Seen says whether the device is connecting now.
    enum class Seen : std::uint8_t { Now, NotYet };
    void trust(const std::string& fingerprint, const std::string& name, Seen seen);
    // The trusted device connected now, under this name.
    void touch(const std::string& fingerprint, const std::string& name);
    // False when the device was not trusted.
    bool revoke(const std::string& fingerprint);
    // The user's name for the device, kept whatever name it connects under; false when the
    // device is not trusted or the name is empty.
    bool rename(const std::string& fingerprint, const std::string& name);
    // Reads the store again and publishes the list when it changed.
    void reload();

private:
    void write(const std::string& fingerprint, std::optional<TrustedDevice> device);

    UserDefaults& defaults_;
    Clock clock_;
    Published<std::vector<TrustedDevice>> devices_;
};

// A fingerprint as a person may type it: 64 hexadecimal digits in any case, optionally grouped
// by colons or spaces. Returns the stored form (lower case, no separators) or nothing.
std::optional<std::string> normalizedFingerprint(std::string_view typed);

// Wall-clock times as stored, "2026-01-02T03:04:05Z" (UTC, whole seconds).
std::string storedTimeText(WallTime time);
std::optional<WallTime> parseStoredTime(std::string_view text);

// The system's clock, in whole seconds.
WallTime systemWallTime();

} // namespace kavora
