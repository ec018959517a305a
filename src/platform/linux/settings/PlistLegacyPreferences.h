#pragma once

#include "platform/LegacyPreferences.h"
#include "platform/linux/settings/IsolatedCall.h"

#include <cstddef>
#include <string_view>

namespace kavora {

// Reads a legacy preferences file (XML or binary property list) with libplist.
//
// libplist 2.2 aborts the whole process on some malformed files (a NUL byte inside a key or a
// string trips an assertion), so the file is parsed in a child process (runIsolated) that sends
// the dictionary back as CBOR. A crash, a hang or an oversized result reads as "not a
// dictionary": there is nothing to migrate, and the receiver carries on.
class PlistLegacyPreferences final : public LegacyPreferences {
public:
    static constexpr std::size_t kDefaultMaxFileSize = std::size_t { 1024 } * 1024;

    enum class Outcome { Dictionary, Missing, TooLarge, NotADictionary, ParserCrashed, TimedOut };
    struct Reading {
        Outcome outcome = Outcome::Missing;
        std::optional<PropertyListDictionary> dictionary; // only with Outcome::Dictionary
    };

    explicit PlistLegacyPreferences(IsolationLimits limits = {},
                                    std::size_t maxFileSize = kDefaultMaxFileSize);

    std::string homeDirectory() const override;
    std::optional<PropertyListDictionary> read(const std::string& path) override;

    // read(), saying why there is no dictionary.
    Reading readWithOutcome(const std::string& path) const;

private:
    IsolationLimits limits_;
    std::size_t maxFileSize_;
};

// Parses property-list bytes with libplist in this process and returns the top-level dictionary
// as a JSON object, or nothing when it is not one. May abort the process on malformed input:
// call it only inside runIsolated.
std::optional<nlohmann::json> parsePropertyListUnsafely(std::string_view bytes);

} // namespace kavora
