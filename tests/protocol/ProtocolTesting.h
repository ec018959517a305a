// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "protocol/MessageCoding.h"
#include "protocol/RecordCoding.h"

#include <ostream>
#include <string>
#include <string_view>

namespace kavora {

// Failed expectations show sites in their JSON form.
inline void PrintTo(const FavoriteSite& site, std::ostream* out)
{
    *out << toJson(site).dump();
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

} // namespace kavora::test
