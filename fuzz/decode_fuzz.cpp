// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Decodes arbitrary bytes as a wire message and as a stored favourite list. Whatever decodes must
// encode, decode again to the same value and encode to the same text; anything else aborts.

#include "protocol/FavoriteSiteList.h"
#include "protocol/MessageCoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

namespace {

[[noreturn]] void fail(const char* what, std::string_view detail)
{
    std::fprintf(stderr, "decode_fuzz: %s: %.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

// Records with an equality must equal themselves after a round trip.
void checkRecords(const kavora::ControlMessage& first, const kavora::ControlMessage& second)
{
    if (const auto* sites = std::get_if<kavora::msg::FavoriteSites>(&first)) {
        if (sites->sites != std::get<kavora::msg::FavoriteSites>(second).sites)
            fail("favourite sites differ after a round trip", "");
    }
    if (const auto* buttons = std::get_if<kavora::msg::SystemButtons>(&first)) {
        if (buttons->buttons != std::get<kavora::msg::SystemButtons>(second).buttons)
            fail("system buttons differ after a round trip", "");
    }
}

void checkMessage(std::string_view input)
{
    const auto message = kavora::decodeMessage(input);
    if (!message)
        return;
    // A decoded message holds only finite floats, so it always encodes.
    const auto wire = kavora::encodeMessage(message.value());
    if (!wire)
        fail("decoded message does not encode", wire.error());
    const auto again = kavora::decodeMessage(wire.value());
    if (!again)
        fail("encoded message does not decode", wire.value());
    if (again.value().index() != message.value().index())
        fail("case changed in a round trip", wire.value());
    checkRecords(message.value(), again.value());
    const auto rewire = kavora::encodeMessage(again.value());
    if (!rewire || rewire.value() != wire.value())
        fail("second encoding differs", wire.value());
}

void checkFavoriteSiteList(std::string_view input)
{
    const auto sites = kavora::decodeFavoriteSiteList(input);
    if (!sites)
        return;
    const std::string stored = kavora::encodeFavoriteSiteList(sites.value());
    const auto again = kavora::decodeFavoriteSiteList(stored);
    if (!again || again.value() != sites.value())
        fail("favourite list differs after a round trip", stored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkMessage(input);
    checkFavoriteSiteList(input);
    return 0;
}
