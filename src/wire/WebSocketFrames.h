// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "wire/HttpRequestHead.h"

#include "core/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavora {

// The WebSocket protocol (RFC 6455) as the receiver speaks it to a browser controller: the
// opening handshake's checks, and the frames. Browsers mask every frame they send; the server
// masks none. Messages are text; the close codes are the RFC's.

// The GUID the handshake's answer hashes with the browser's key.
inline constexpr std::string_view kWebSocketGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";

enum class WebSocketOpcode : std::uint8_t {
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    Close = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

namespace closecode {
inline constexpr std::uint16_t kNormal = 1000;
inline constexpr std::uint16_t kGoingAway = 1001;
inline constexpr std::uint16_t kProtocolError = 1002;
inline constexpr std::uint16_t kUnsupportedData = 1003;
inline constexpr std::uint16_t kInvalidPayload = 1007;
inline constexpr std::uint16_t kPolicyViolation = 1008;
inline constexpr std::uint16_t kTooBig = 1009;
} // namespace closecode

// The Sec-WebSocket-Key of a valid upgrade request (GET, "Upgrade: websocket", a Connection
// field with "upgrade", version 13, a key that is the base64 of 16 bytes), or why it is not one.
Result<std::string> webSocketUpgradeKey(const HttpRequestHead& head);

// One unmasked frame, FIN set, as the server sends it.
std::string encodeWebSocketFrame(WebSocketOpcode opcode, std::string_view payload);
// A close frame with the code and a reason (cut to fit a control frame).
std::string encodeWebSocketClose(std::uint16_t code, std::string_view reason);

// Cuts the bytes a browser sends into messages and control frames. Fragments of a message are
// joined; the message's size is checked against the limit from each frame's header, before its
// payload is kept, so memory stays bounded by the limit plus one header. A broken rule (an
// unmasked frame, reserved bits or opcodes, a fragmented or long control frame, a continuation
// out of place, a binary message, text that is not UTF-8, a message over the limit) is a
// violation with the close code to send; after it the decoder yields nothing more.
class WebSocketDecoder {
public:
    enum class Status { NeedMore, Text, Ping, Pong, Close, Violation };

    explicit WebSocketDecoder(std::size_t maxMessageBytes);

    void setMaxMessageBytes(std::size_t maxMessageBytes) { maxMessageBytes_ = maxMessageBytes; }
    void append(std::string_view bytes);
    // Takes the next message or control frame: Text and Ping/Pong put their payload in payload;
    // Close puts the peer's reason there and its code in closeCode().
    Status next(std::string& payload);

    // Bytes of an unfinished frame or fragments of an unfinished message are held.
    bool hasPartialMessage() const;
    std::uint16_t closeCode() const { return closeCode_; }
    const std::string& violation() const { return violation_; }

private:
    Status fail(std::uint16_t code, std::string description);

    std::size_t maxMessageBytes_;
    std::string buffer_;
    std::size_t offset_ = 0;
    std::string fragments_; // the message being joined
    bool inMessage_ = false;
    bool failed_ = false;
    std::uint16_t closeCode_ = 0;
    std::string violation_;
};

} // namespace kavora
