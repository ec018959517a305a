// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Parses arbitrary bytes as a legacy preferences file, as the reader program does, and reads the
// CBOR it would send back as the receiver does: a dictionary comes through unchanged. The
// receiver's side also reads the bytes themselves as such output, which must never crash it.
// libplist itself aborts on some malformed files (which is why the reader is a program of its
// own); run this target with -fork and -ignore_crashes to get past those.

#include "platform/linux/settings/PlistLegacyPreferences.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string cborOf(const nlohmann::json& value)
{
    const auto bytes = nlohmann::json::to_cbor(value);
    return { bytes.begin(), bytes.end() };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)kavora::dictionaryFromReaderOutput(bytes);
    const auto dictionary = kavora::parsePropertyListUnsafely(bytes);
    if (!dictionary)
        return 0;
    const std::string sent = cborOf(*dictionary);
    const auto received = kavora::dictionaryFromReaderOutput(sent);
    // Compared as CBOR, in which a NaN equals itself.
    if (!received || cborOf(nlohmann::json(*received)) != sent)
        std::abort();
    return 0;
}
