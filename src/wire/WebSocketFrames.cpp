// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/WebSocketFrames.h"

#include "core/Base64.h"
#include "core/Text.h"

namespace kavora {

namespace {

constexpr std::size_t kMaxControlPayload = 125;
constexpr std::size_t kKeyBytes = 16;
constexpr std::uint8_t kFin = 0x80;
constexpr std::uint8_t kReservedBits = 0x70;
constexpr std::uint8_t kOpcodeBits = 0x0F;
constexpr std::uint8_t kMaskBit = 0x80;
constexpr std::uint8_t kLengthBits = 0x7F;
constexpr std::uint8_t kLength16 = 126;
constexpr std::uint8_t kLength64 = 127;
constexpr std::size_t kMaskBytes = 4;

bool isControl(std::uint8_t opcode)
{
    return (opcode & 0x8) != 0;
}

} // namespace

Result<std::string> webSocketUpgradeKey(const HttpRequestHead& head)
{
    if (head.method != "GET")
        return Error { "an upgrade must be a GET" };
    if (!head.fieldHasToken("upgrade", "websocket") || !head.fieldHasToken("connection", "upgrade"))
        return Error { "not a WebSocket upgrade" };
    if (head.field("sec-websocket-version") != "13")
        return Error { "unsupported WebSocket version" };
    const auto key = head.field("sec-websocket-key");
    const auto bytes = key ? decodeBase64(*key) : std::nullopt;
    if (!bytes || bytes->size() != kKeyBytes)
        return Error { "malformed Sec-WebSocket-Key" };
    return *key;
}

std::string encodeWebSocketFrame(WebSocketOpcode opcode, std::string_view payload)
{
    std::string frame;
    frame.reserve(payload.size() + 10);
    frame.push_back(static_cast<char>(kFin | static_cast<std::uint8_t>(opcode)));
    const auto size = static_cast<std::uint64_t>(payload.size());
    if (size < kLength16) {
        frame.push_back(static_cast<char>(size));
    } else if (size <= 0xFFFF) {
        frame.push_back(static_cast<char>(kLength16));
        frame.push_back(static_cast<char>(size >> 8));
        frame.push_back(static_cast<char>(size & 0xFF));
    } else {
        frame.push_back(static_cast<char>(kLength64));
        for (int shift = 56; shift >= 0; shift -= 8)
            frame.push_back(static_cast<char>((size >> shift) & 0xFF));
    }
    frame.append(payload);
    return frame;
}

std::string encodeWebSocketClose(std::uint16_t code, std::string_view reason)
{
    std::string payload;
    payload.push_back(static_cast<char>(code >> 8));
    payload.push_back(static_cast<char>(code & 0xFF));
    payload += truncateUtf8(reason, kMaxControlPayload - 2);
    return encodeWebSocketFrame(WebSocketOpcode::Close, payload);
}

WebSocketDecoder::WebSocketDecoder(std::size_t maxMessageBytes)
    : maxMessageBytes_(maxMessageBytes)
{
}

void WebSocketDecoder::append(std::string_view bytes)
{
    if (failed_)
        return;
    // Drop what was taken before growing, so the buffer holds at most one unfinished frame.
    if (offset_ > 0) {
        buffer_.erase(0, offset_);
        offset_ = 0;
    }
    buffer_.append(bytes);
}

bool WebSocketDecoder::hasPartialMessage() const
{
    return !failed_ && (buffer_.size() > offset_ || inMessage_);
}

WebSocketDecoder::Status WebSocketDecoder::fail(std::uint16_t code, std::string description)
{
    failed_ = true;
    closeCode_ = code;
    violation_ = std::move(description);
    buffer_.clear();
    fragments_.clear();
    offset_ = 0;
    return Status::Violation;
}

WebSocketDecoder::Status WebSocketDecoder::next(std::string& payload)
{
    while (!failed_) {
        const std::string_view data = std::string_view(buffer_).substr(offset_);
        if (data.size() < 2)
            return Status::NeedMore;
        const auto first = static_cast<std::uint8_t>(data[0]);
        const auto second = static_cast<std::uint8_t>(data[1]);
        const std::uint8_t opcode = first & kOpcodeBits;
        const bool fin = (first & kFin) != 0;
        if ((first & kReservedBits) != 0)
            return fail(closecode::kProtocolError, "reserved bits set");
        if ((second & kMaskBit) == 0)
            return fail(closecode::kProtocolError, "unmasked frame from the browser");
        if (opcode > 0x2 && (opcode < 0x8 || opcode > 0xA))
            return fail(closecode::kProtocolError, "reserved opcode");

        std::size_t header = 2;
        std::uint64_t length = second & kLengthBits;
        if (isControl(opcode) && (!fin || length > kMaxControlPayload))
            return fail(closecode::kProtocolError, "fragmented or long control frame");
        if (length == kLength16 || length == kLength64) {
            const std::size_t extra = length == kLength16 ? 2 : 8;
            if (data.size() < header + extra)
                return Status::NeedMore;
            length = 0;
            for (std::size_t i = 0; i < extra; ++i)
                length = (length << 8) | static_cast<std::uint8_t>(data[header + i]);
            header += extra;
            if ((length >> 63) != 0)
                return fail(closecode::kProtocolError, "length with its top bit set");
        }
        if (!isControl(opcode)) {
            if (opcode == static_cast<std::uint8_t>(WebSocketOpcode::Binary))
                return fail(closecode::kUnsupportedData, "binary messages are not taken");
            if (opcode == 0 && !inMessage_)
                return fail(closecode::kProtocolError, "continuation without a message");
            if (opcode != 0 && inMessage_)
                return fail(closecode::kProtocolError, "a new message inside a fragmented one");
            if (length > maxMessageBytes_ || fragments_.size() + length > maxMessageBytes_)
                return fail(closecode::kTooBig, "message too large");
        }
        if (data.size() < header + kMaskBytes + length)
            return Status::NeedMore;

        const auto mask = data.substr(header, kMaskBytes);
        const auto body = data.substr(header + kMaskBytes, static_cast<std::size_t>(length));
        std::string unmasked(body);
        for (std::size_t i = 0; i < unmasked.size(); ++i)
            unmasked[i] = static_cast<char>(unmasked[i] ^ mask[i % kMaskBytes]);
        offset_ += header + kMaskBytes + static_cast<std::size_t>(length);

        switch (static_cast<WebSocketOpcode>(opcode)) {
        case WebSocketOpcode::Ping:
            payload = std::move(unmasked);
            return Status::Ping;
        case WebSocketOpcode::Pong:
            payload = std::move(unmasked);
            return Status::Pong;
        case WebSocketOpcode::Close:
            if (unmasked.size() == 1)
                return fail(closecode::kProtocolError, "close frame with a one-byte body");
            closeCode_ = unmasked.empty()
                ? closecode::kNormal
                : static_cast<std::uint16_t>((static_cast<std::uint8_t>(unmasked[0]) << 8)
                                             | static_cast<std::uint8_t>(unmasked[1]));
            payload = unmasked.size() > 2 ? unmasked.substr(2) : std::string();
            failed_ = true; // nothing after a close counts
            buffer_.clear();
            offset_ = 0;
            return Status::Close;
        case WebSocketOpcode::Continuation:
        case WebSocketOpcode::Text:
        case WebSocketOpcode::Binary:
            break;
        }
        fragments_ += unmasked;
        inMessage_ = !fin;
        if (inMessage_)
            continue;
        if (!isValidUtf8(fragments_))
            return fail(closecode::kInvalidPayload, "text that is not UTF-8");
        payload = std::exchange(fragments_, {});
        return Status::Text;
    }
    return Status::Violation;
}

} // namespace kavora
