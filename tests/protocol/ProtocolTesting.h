#pragma once

#include "protocol/MessageCoding.h"
#include "protocol/RecordCoding.h"

#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

namespace kavora {

// Failed expectations show records in their JSON form.
inline void PrintTo(const FavoriteSite& site, std::ostream* out)
{
    *out << toJson(site).dump();
}
inline void PrintTo(const SystemButton& button, std::ostream* out)
{
    *out << toJson(button).dump();
}

} // namespace kavora

namespace kavora::test {

// What the receiver makes of a document: its wire form after decoding, or "error: " and the
// decoding failure's description.
inline std::string reencoded(std::string_view json)
{
    const auto message = decodeMessage(json);
    if (!message)
        return "error: " + message.error();
    const auto wire = encodeMessage(message.value());
    return wire ? wire.value() : "encoding error: " + wire.error();
}

inline std::string goldenPath(std::string_view key)
{
    return std::string(KAVORA_SOURCE_DIR) + "/tests/protocol/golden/" + std::string(key) + ".json";
}

// A golden file's text without its final line break.
inline std::string readGolden(std::string_view key)
{
    std::ifstream file(goldenPath(key), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::string golden = text.str();
    if (!golden.empty() && golden.back() == '\n')
        golden.pop_back();
    return golden;
}

} // namespace kavora::test
