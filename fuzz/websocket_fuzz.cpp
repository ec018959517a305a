// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Feeds arbitrary bytes, in chunks of a size the first byte chooses, to the decoder of what a
// browser sends over its WebSocket. Text is UTF-8 within the message limit, control payloads are
// short, a violation carries one of the protocol's close codes and ends the stream, and the
// chunks change nothing; anything else aborts.

#include "wire/WebSocketFrames.h"

#include "core/Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Status = kavora::WebSocketDecoder::Status;
namespace closecode = kavora::closecode;

constexpr std::size_t kLimit = 1024;

bool isOurCloseCode(std::uint16_t code)
{
    return code == closecode::kProtocolError || code == closecode::kUnsupportedData
        || code == closecode::kInvalidPayload || code == closecode::kTooBig;
}

// The line for what the decoder yielded, checked.
std::string taken(Status status, std::string& payload, const kavora::WebSocketDecoder& decoder)
{
    if (status == Status::Violation) {
        if (!isOurCloseCode(decoder.closeCode()))
            std::abort();
        payload.clear(); // not the decoder's: left from before
    }
    const bool fits = status == Status::Text
        ? payload.size() <= kLimit && kavora::isValidUtf8(payload)
        : payload.size() <= 125;
    if (!fits)
        std::abort();
    return std::to_string(static_cast<int>(status)) + " " + std::to_string(decoder.closeCode())
        + " " + payload;
}

// What comes out, one line per message or control frame.
std::vector<std::string> read(std::string_view bytes, std::size_t chunk)
{
    kavora::WebSocketDecoder decoder(kLimit);
    std::vector<std::string> out;
    std::string payload;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        decoder.append(bytes.substr(at, chunk));
        for (Status status; (status = decoder.next(payload)) != Status::NeedMore;) {
            out.push_back(taken(status, payload, decoder));
            if (status == Status::Close || status == Status::Violation) {
                if (decoder.next(payload) != Status::Violation || decoder.hasPartialMessage())
                    std::abort(); // the stream has ended
                return out;
            }
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (read(bytes, data[0] % 64 + 1) != read(bytes, bytes.size() + 1))
        std::abort();
    return 0;
}
