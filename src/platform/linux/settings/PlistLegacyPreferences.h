// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/LegacyPreferences.h"
#include "platform/linux/settings/IsolatedCall.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kavora {

// Reads a legacy preferences file (XML or binary property list) with libplist.
//
// libplist 2.2 aborts the whole process on some malformed files (a NUL byte inside a key or a
// string trips an assertion), so the file is parsed by a program of its own (runIsolated): the
// receiver itself, started afresh with kLegacyReaderFlag, which reads the file's bytes on its
// standard input and writes the dictionary as CBOR (runLegacyPreferencesReader). A crash, a hang
// or an oversized result reads as "not a dictionary": there is nothing to migrate, and the
// receiver carries on.
class PlistLegacyPreferences final : public LegacyPreferences {
public:
    static constexpr std::size_t kDefaultMaxFileSize = std::size_t { 1024 } * 1024;

    enum class Outcome { Dictionary, Missing, TooLarge, NotADictionary, ParserCrashed, TimedOut };
    struct Reading {
        Outcome outcome = Outcome::Missing;
        std::optional<PropertyListDictionary> dictionary; // only with Outcome::Dictionary
    };

    // readerProgram runs runLegacyPreferencesReader when given kLegacyReaderFlag: the receiver's
    // own program (kOwnProgram).
    explicit PlistLegacyPreferences(std::string readerProgram, IsolationLimits limits = {},
                                    std::size_t maxFileSize = kDefaultMaxFileSize);

    std::string homeDirectory() const override;
    std::optional<PropertyListDictionary> read(const std::string& path) override;

    // read(), saying why there is no dictionary.
    Reading readWithOutcome(const std::string& path) const;

private:
    std::string readerProgram_;
    IsolationLimits limits_;
    std::size_t maxFileSize_;
};

// The program this process runs, even after its file was replaced.
inline constexpr const char* kOwnProgram = "/proc/self/exe";
// The private argument that makes the receiver's program the reader, and nothing else.
inline constexpr const char* kLegacyReaderFlag = "--read-legacy-preferences";

// The reader program: takes property-list bytes on its standard input and writes the top-level
// dictionary as CBOR to its standard output. Returns the exit status: 0 with a dictionary, 1
// without. libplist may abort it on malformed input.
int runLegacyPreferencesReader();

// Parses property-list bytes with libplist in this process and returns the top-level dictionary
// as a JSON object, or nothing when it is not one. May abort the process on malformed input:
// only the reader program calls it.
std::optional<nlohmann::json> parsePropertyListUnsafely(std::string_view bytes);

// The dictionary in what the reader program wrote, or nothing when that is not a CBOR object.
std::optional<PropertyListDictionary> dictionaryFromReaderOutput(std::string_view output);

} // namespace kavora
