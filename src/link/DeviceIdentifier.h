// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/SettingKeys.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavora {

class UserDefaults;

inline constexpr std::string_view kDeviceIdKey = settingkey::kDeviceId.name;

// This computer's identifier in the peer link's discovery info. The first call to value() reads
// it from the user defaults; when none is stored as a string it makes a random one and stores it,
// so it stays the same across runs. Later calls return the same text without reading again.
class DeviceIdentifier {
public:
    explicit DeviceIdentifier(UserDefaults& defaults);

    const std::string& value();

private:
    UserDefaults& defaults_;
    std::optional<std::string> value_;
};

// A random version-4 UUID in canonical text form: 36 characters, upper-case hexadecimal digits
// in groups of 8-4-4-4-12 separated by hyphens.
std::string makeRandomUuidText();

// The canonical text of the version-4 UUID made from 128 random bits (high, low): the version
// and variant bits are set, the other 122 bits are kept.
std::string uuidV4Text(std::uint64_t high, std::uint64_t low);

} // namespace kavora
