// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/DeviceIdentifier.h"

#include "platform/UserDefaults.h"

#include <array>
#include <random>
#include <string_view>

namespace kavora {

DeviceIdentifier::DeviceIdentifier(UserDefaults& defaults)
    : defaults_(defaults)
{
}

const std::string& DeviceIdentifier::value()
{
    if (!value_) {
        value_ = defaults_.string(kDeviceIdKey);
        if (!value_) {
            value_ = makeRandomUuidText();
            defaults_.setString(kDeviceIdKey, *value_);
        }
    }
    return *value_;
}

std::string makeRandomUuidText()
{
    // Seed the whole engine state from the system's entropy source, not a single 32-bit word.
    std::random_device entropy;
    std::array<std::uint32_t, 16> seed {};
    for (auto& word : seed)
        word = entropy();
    std::seed_seq sequence(seed.begin(), seed.end());
    std::mt19937_64 engine(sequence);
    const std::uint64_t high = engine();
    const std::uint64_t low = engine();
    return uuidV4Text(high, low);
}

std::string uuidV4Text(std::uint64_t high, std::uint64_t low)
{
    high = (high & ~0xF000ULL) | 0x4000ULL; // version 4 in the 13th digit
    low = (low & ~(0xC000ULL << 48)) | (0x8000ULL << 48); // variant 10xx in the 17th digit
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    auto appendDigits = [&](std::uint64_t bits, int from, int count) {
        for (int i = from; i < from + count; ++i)
            text.push_back(kDigits[(bits >> (60 - 4 * i)) & 0xF]);
    };
    appendDigits(high, 0, 8);
    text.push_back('-');
    appendDigits(high, 8, 4);
    text.push_back('-');
    appendDigits(high, 12, 4);
    text.push_back('-');
    appendDigits(low, 0, 4);
    text.push_back('-');
    appendDigits(low, 4, 12);
    return text;
}

} // namespace kavora
