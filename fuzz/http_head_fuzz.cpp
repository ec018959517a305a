// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Reads arbitrary bytes as a request head sent to the browser controller's server, and what the
// server makes of a head it takes: the file it names, the address a plain-HTTP request is sent on
// to, and the WebSocket key. The head must read the same without what follows it, the address
// must be one line of visible ASCII under https://, and a key must be the base64 of 16 bytes.

#include "wire/HttpRequestHead.h"
#include "wire/WebSocketFrames.h"

#include "core/Base64.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::size_t kMaxHead = 8192;

bool isVisibleAscii(std::string_view text)
{
    for (const char c : text) {
        if (c < '!' || c > '~')
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto parse = kavora::parseHttpRequestHead(bytes, kMaxHead);
    (void)parse.httpStatus();
    if (parse.status != kavora::HttpHeadParse::Status::Complete)
        return 0;
    if (parse.consumed > bytes.size() || parse.consumed > kMaxHead)
        std::abort();
    const auto alone = kavora::parseHttpRequestHead(bytes.substr(0, parse.consumed), kMaxHead);
    if (alone.status != parse.status || alone.consumed != parse.consumed)
        std::abort();

    const auto& head = parse.head;
    (void)kavora::requestPath(head.target);
    (void)head.keepsAlive();
    for (const auto ownHost : { "192.0.2.7", "[2001:db8::7]" }) {
        const auto location = kavora::httpsRedirectLocation(head, ownHost, 47390);
        if (!location.starts_with("https://") || !isVisibleAscii(location))
            std::abort();
    }
    if (const auto key = kavora::webSocketUpgradeKey(head)) {
        const auto decoded = kavora::decodeBase64(key.value());
        if (!decoded || decoded->size() != 16)
            std::abort();
    }
    return 0;
}
