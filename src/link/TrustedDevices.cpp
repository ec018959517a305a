// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/TrustedDevices.h"

#include "platform/UserDefaults.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace kavora {
namespace {

using nlohmann::json;

constexpr std::size_t kFingerprintDigits = 64;
constexpr std::string_view kNameMember = "name";
constexpr std::string_view kTrustedMember = "trusted";
constexpr std::string_view kLastSeenMember = "lastSeen";
constexpr std::string_view kRenamedMember = "renamed";

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char lowered(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// One stored member as a device, or nothing when any part of it is not as written by trust().
std::optional<TrustedDevice> readEntry(const std::string& key, const json& entry)
{
    auto fingerprint = normalizedFingerprint(key);
    if (!fingerprint || !entry.is_object())
        return std::nullopt;
    TrustedDevice device { *fingerprint, {}, {}, {} };
    if (auto name = entry.find(kNameMember); name != entry.end()) {
        if (!name->is_string())
            return std::nullopt;
        device.name = name->get<std::string>();
    }
    auto trusted = entry.find(kTrustedMember);
    if (trusted == entry.end() || !trusted->is_string())
        return std::nullopt;
    auto trustedAt = parseStoredTime(trusted->get_ref<const std::string&>());
    if (!trustedAt)
        return std::nullopt;
    device.trustedAt = *trustedAt;
    if (auto seen = entry.find(kLastSeenMember); seen != entry.end()) {
        device.lastSeen = seen->is_string() ? parseStoredTime(seen->get_ref<const std::string&>())
                                            : std::nullopt;
        if (!device.lastSeen)
            return std::nullopt;
    }
    if (auto renamed = entry.find(kRenamedMember); renamed != entry.end()) {
        if (!renamed->is_boolean())
            return std::nullopt;
        device.renamed = renamed->get<bool>();
    }
    return device;
}

json entryOf(const TrustedDevice& device)
{
    json entry = json::object();
    entry[std::string(kNameMember)] = device.name;
    entry[std::string(kTrustedMember)] = storedTimeText(device.trustedAt);
    if (device.lastSeen)
        entry[std::string(kLastSeenMember)] = storedTimeText(*device.lastSeen);
    if (device.renamed)
        entry[std::string(kRenamedMember)] = true;
    return entry;
}

json storedObject(const UserDefaults& defaults)
{
    auto stored = defaults.object(TrustedDevices::kKey);
    return stored && stored->is_object() ? std::move(*stored) : json::object();
}

std::vector<TrustedDevice> readDevices(const UserDefaults& defaults)
{
    std::vector<TrustedDevice> devices;
    const json stored = storedObject(defaults);
    for (const auto& [key, entry] : stored.items()) {
        auto device = readEntry(key, entry);
        // The same device written twice (once with colons, say) counts once.
        if (device && std::none_of(devices.begin(), devices.end(), [&](const auto& known) {
                return known.fingerprint == device->fingerprint;
            }))
            devices.push_back(std::move(*device));
    }
    auto lastActive
        = [](const TrustedDevice& device) { return device.lastSeen.value_or(device.trustedAt); };
    std::stable_sort(devices.begin(), devices.end(), [&](const auto& a, const auto& b) {
        return lastActive(a) != lastActive(b) ? lastActive(a) > lastActive(b)
                                              : a.fingerprint < b.fingerprint;
    });
    return devices;
}

// Reads exactly `count` decimal digits at text[at...].
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

TrustedDevices::TrustedDevices(UserDefaults& defaults, Clock clock)
    : defaults_(defaults)
    , clock_(std::move(clock))
    , devices_(readDevices(defaults))
{
}

const TrustedDevice* TrustedDevices::find(std::string_view fingerprint) const
{
    const auto& devices = devices_.get();
    auto found = std::find_if(devices.begin(), devices.end(), [&](const auto& device) {
        return device.fingerprint == fingerprint;
    });
    return found == devices.end() ? nullptr : &*found;
}

void TrustedDevices::trust(const std::string& fingerprint, const std::string& name, Seen seen)
{
    TrustedDevice device { fingerprint, name, clock_(), std::nullopt };
    if (const auto* known = find(fingerprint)) {
        device.trustedAt = known->trustedAt;
        device.lastSeen = known->lastSeen;
        device.renamed = known->renamed;
        if (name.empty() || known->renamed)
            device.name = known->name;
    }
    if (seen == Seen::Now)
        device.lastSeen = clock_();
    write(fingerprint, device);
}

void TrustedDevices::touch(const std::string& fingerprint, const std::string& name)
{
    if (isTrusted(fingerprint))
        trust(fingerprint, name, Seen::Now);
}

bool TrustedDevices::revoke(const std::string& fingerprint)
{
    reload(); // another process may have revoked it already
    if (!isTrusted(fingerprint))
        return false;
    write(fingerprint, std::nullopt);
    return true;
}

bool TrustedDevices::rename(const std::string& fingerprint, const std::string& name)
{
    reload(); // another process may have revoked it
    const auto* known = find(fingerprint);
    if (!known || name.empty())
        return false;
    auto device = *known;
    device.name = name;
    device.renamed = true;
    write(fingerprint, device);
    return true;
}

void TrustedDevices::reload()
{
    auto devices = readDevices(defaults_);
    if (devices != devices_.get())
        devices_ = std::move(devices);
}

void TrustedDevices::write(const std::string& fingerprint, std::optional<TrustedDevice> device)
{
    // Read afresh and change only this device's member, so that what another process wrote in
    // the meantime, and members this version does not read, are kept.
    json stored = storedObject(defaults_);
    for (auto member = stored.begin(); member != stored.end();) {
        if (normalizedFingerprint(member.key()) == fingerprint)
            member = stored.erase(member);
        else
            ++member;
    }
    if (device)
        stored[fingerprint] = entryOf(*device);
    defaults_.setObject(kKey, std::move(stored));
    reload();
}

std::optional<std::string> normalizedFingerprint(std::string_view typed)
{
    std::string fingerprint;
    fingerprint.reserve(kFingerprintDigits);
    for (char c : typed) {
        if (c == ':' || c == ' ')
            continue;
        if (!isHexDigit(c) || fingerprint.size() == kFingerprintDigits)
            return std::nullopt;
        fingerprint.push_back(lowered(c));
    }
    if (fingerprint.size() != kFingerprintDigits)
        return std::nullopt;
    return fingerprint;
}

std::string storedTimeText(WallTime time)
{
    using namespace std::chrono;
    const auto day = floor<days>(time);
    const year_month_day date { day };
    const hh_mm_ss clock { time - day };
    std::array<char, 32> text {};
    (void)std::snprintf(text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02dZ",
                        static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                        static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                        static_cast<int>(clock.minutes().count()),
                        static_cast<int>(clock.seconds().count()));
    return text.data();
}

std::optional<WallTime> parseStoredTime(std::string_view text)
{
    using namespace std::chrono;
    // "YYYY-MM-DDTHH:MM:SSZ"
    constexpr std::size_t kLength = 20;
    if (text.size() != kLength || text[4] != '-' || text[7] != '-' || text[10] != 'T'
        || text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto y = digits(text, 0, 4);
    const auto mo = digits(text, 5, 2);
    const auto d = digits(text, 8, 2);
    const auto h = digits(text, 11, 2);
    const auto mi = digits(text, 14, 2);
    const auto s = digits(text, 17, 2);
    if (!y || !mo || !d || !h || !mi || !s || *h > 23 || *mi > 59 || *s > 59)
        return std::nullopt;
    const year_month_day date { year(*y), month(static_cast<unsigned>(*mo)),
                                day(static_cast<unsigned>(*d)) };
    if (!date.ok())
        return std::nullopt;
    return sys_days(date) + hours(*h) + minutes(*mi) + seconds(*s);
}

WallTime systemWallTime()
{
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
}

} // namespace kavora
