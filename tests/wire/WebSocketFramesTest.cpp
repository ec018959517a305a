// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/WebSocketFrames.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavora {
namespace {

using WsStatus = WebSocketDecoder::Status;

constexpr std::uint8_t kFin = 0x80;
const std::string kMask = "\x11\x22\x33\x44";

// A frame as a browser sends it: masked, with the shortest length form unless told otherwise.
std::string browserFrame(std::uint8_t first, std::string_view payload, bool masked = true)
{
    std::string frame(1, static_cast<char>(first));
    const std::uint8_t maskBit = masked ? 0x80 : 0;
    if (payload.size() < 126) {
        frame.push_back(static_cast<char>(maskBit | payload.size()));
    } else {
        frame.push_back(static_cast<char>(maskBit | 126));
        frame.push_back(static_cast<char>(payload.size() >> 8));
        frame.push_back(static_cast<char>(payload.size() & 0xFF));
    }
    if (!masked)
        return frame + std::string(payload);
    frame += kMask;
    for (std::size_t i = 0; i < payload.size(); ++i)
        frame.push_back(static_cast<char>(payload[i] ^ kMask[i % 4]));
    return frame;
}

std::string text(std::string_view payload)
{
    return browserFrame(kFin | 0x1, payload);
}

struct Event {
    WsStatus status;
    std::string payload;
    friend bool operator==(const Event&, const Event&) = default;
};

std::vector<Event> decodeAll(WebSocketDecoder& decoder)
{
    std::vector<Event> events;
    std::string payload;
    for (auto status = decoder.next(payload); status != WsStatus::NeedMore;
         status = decoder.next(payload)) {
        events.push_back({ status, status == WsStatus::Violation ? decoder.violation() : payload });
        if (status == WsStatus::Violation || status == WsStatus::Close)
            break;
    }
    return events;
}

TEST(WebSocketFramesTest, SameMessagesForEveryChunking)
{
    const std::string stream = text(R"({"heartbeat":{}})") + browserFrame(0x1, "frag")
        + browserFrame(kFin | 0x9, "ping") + browserFrame(0x0, "men")
        + browserFrame(kFin | 0x0, "ted") + text(std::string(300, 'y'));
    const std::vector<Event> expected {
        { WsStatus::Text, R"({"heartbeat":{}})" },
        { WsStatus::Ping, "ping" }, // a control frame may come between fragments
        { WsStatus::Text, "fragmented" },
        { WsStatus::Text, std::string(300, 'y') },
    };
    for (std::size_t chunk : { 1U, 2U, 3U, 5U, 7U, 64U, 1000U }) {
        WebSocketDecoder decoder(1024);
        std::vector<Event> events;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            decoder.append(std::string_view(stream).substr(at, chunk));
            for (auto& event : decodeAll(decoder))
                events.push_back(event);
        }
        EXPECT_EQ(events, expected) << "chunk " << chunk;
        EXPECT_FALSE(decoder.hasPartialMessage());
    }
}

TEST(WebSocketFramesTest, BrokenRulesCloseWithTheirCode)
{
    const std::tuple<const char*, std::string, std::uint16_t> rows[] = {
        { "unmasked", browserFrame(kFin | 0x1, "x", false), closecode::kProtocolError },
        { "reserved bit", browserFrame(kFin | 0x40 | 0x1, "x"), closecode::kProtocolError },
        { "reserved opcode", browserFrame(kFin | 0x3, "x"), closecode::kProtocolError },
        { "reserved control opcode", browserFrame(kFin | 0xB, "x"), closecode::kProtocolError },
        { "binary", browserFrame(kFin | 0x2, "x"), closecode::kUnsupportedData },
        { "fragmented ping", browserFrame(0x9, "x"), closecode::kProtocolError },
        { "long ping", browserFrame(kFin | 0x9, std::string(126, 'p')), closecode::kProtocolError },
        { "stray continuation", browserFrame(kFin | 0x0, "x"), closecode::kProtocolError },
        { "text inside fragments", browserFrame(0x1, "a") + text("b"), closecode::kProtocolError },
        { "not UTF-8", text("\xC3\x28"), closecode::kInvalidPayload },
        { "one-byte close", browserFrame(kFin | 0x8, "x"), closecode::kProtocolError },
    };
    for (const auto& [name, bytes, code] : rows) {
        WebSocketDecoder decoder(1024);
        decoder.append(bytes);
        const auto events = decodeAll(decoder);
        ASSERT_EQ(events.size(), 1U) << name;
        EXPECT_EQ(events[0].status, WsStatus::Violation) << name;
        EXPECT_EQ(decoder.closeCode(), code) << name;
        decoder.append(text("after"));
        std::string payload;
        EXPECT_EQ(decoder.next(payload), WsStatus::Violation) << name << ": nothing after it";
    }
}

TEST(WebSocketFramesTest, SizeLimitIsCheckedFromTheHeaderAcrossFragments)
{
    const std::tuple<const char*, std::string, WsStatus> rows[] = {
        { "exactly the limit", text(std::string(200, 'a')), WsStatus::Text },
        { "one past it", text(std::string(201, 'a')), WsStatus::Violation },
        { "fragments at the limit",
          browserFrame(0x1, std::string(100, 'a'))
              + browserFrame(kFin | 0x0, std::string(100, 'a')),
          WsStatus::Text },
        { "fragments one past it",
          browserFrame(0x1, std::string(100, 'a'))
              + browserFrame(kFin | 0x0, std::string(101, 'a')),
          WsStatus::Violation },
    };
    for (const auto& [name, bytes, expected] : rows) {
        WebSocketDecoder decoder(200);
        // Only the header of the last frame arrives: the size is judged before its payload.
        decoder.append(expected == WsStatus::Violation ? bytes.substr(0, bytes.size() - 100)
                                                       : bytes);
        const auto events = decodeAll(decoder);
        ASSERT_FALSE(events.empty()) << name;
        EXPECT_EQ(events.back().status, expected) << name;
        if (expected == WsStatus::Violation) {
            EXPECT_EQ(decoder.closeCode(), closecode::kTooBig) << name;
        }
    }
    // A 64-bit length with its top bit set is refused outright.
    WebSocketDecoder decoder(200);
    decoder.append(std::string("\x81\xFF\x80\0\0\0\0\0\0\x01", 10));
    EXPECT_EQ(decodeAll(decoder).at(0).status, WsStatus::Violation);
}

TEST(WebSocketFramesTest, CloseCarriesItsCodeAndEndsTheStream)
{
    WebSocketDecoder decoder(64);
    decoder.append(browserFrame(kFin | 0x8, std::string("\x03\xE9", 2) + "bye") + text("late"));
    EXPECT_EQ(decodeAll(decoder), (std::vector<Event> { { WsStatus::Close, "bye" } }));
    EXPECT_EQ(decoder.closeCode(), closecode::kGoingAway);
    std::string payload;
    EXPECT_NE(decoder.next(payload), WsStatus::Text) << "nothing after the close";

    WebSocketDecoder bare(64);
    bare.append(browserFrame(kFin | 0x8, ""));
    EXPECT_EQ(decodeAll(bare).at(0).status, WsStatus::Close);
    EXPECT_EQ(bare.closeCode(), closecode::kNormal);
}

TEST(WebSocketFramesTest, ServerFramesAreUnmaskedWithTheShortestLength)
{
    const std::pair<std::size_t, std::string> rows[] = {
        { 0, std::string("\x81\x00", 2) },
        { 125, std::string("\x81\x7D", 2) },
        { 126, std::string("\x81\x7E\x00\x7E", 4) },
        { 65535, std::string("\x81\x7E\xFF\xFF", 4) },
        { 65536, std::string("\x81\x7F\0\0\0\0\0\x01\0\0", 10) },
    };
    for (const auto& [size, header] : rows) {
        const auto frame = encodeWebSocketFrame(WebSocketOpcode::Text, std::string(size, 'z'));
        EXPECT_EQ(frame.substr(0, header.size()), header) << size;
        EXPECT_EQ(frame.size(), header.size() + size) << size;
    }
    const auto close = encodeWebSocketClose(closecode::kTooBig, std::string(200, 'r'));
    EXPECT_EQ(close.substr(0, 4), std::string("\x88\x7D\x03\xF1", 4))
        << "the reason is cut to fit a control frame";
}

TEST(WebSocketFramesTest, UpgradeNeedsEveryPartOfTheHandshake)
{
    const std::pair<std::string, bool> rows[] = {
        { "Upgrade: websocket\r\nConnection: keep-alive, Upgrade", true },
        { "Upgrade: h2c\r\nConnection: Upgrade", false },
        { "Upgrade: websocket\r\nConnection: keep-alive", false },
    };
    for (const auto& [fields, ok] : rows) {
        for (const auto& [version, key, good] :
             { std::tuple { "13", "dGhlIHNhbXBsZSBub25jZQ==", true },
               std::tuple { "8", "dGhlIHNhbXBsZSBub25jZQ==", false },
               std::tuple { "13", "c2hvcnQ=", false } }) { // a key of 5 bytes, not 16
            const auto parsed = parseHttpRequestHead(
                "GET /ws HTTP/1.1\r\nHost: a\r\n" + fields + "\r\nSec-WebSocket-Version: " + version
                    + "\r\nSec-WebSocket-Key: " + key + "\r\n\r\n",
                1024);
            EXPECT_EQ(webSocketUpgradeKey(parsed.head).ok(), ok && good)
                << fields << " " << version << " " << key;
        }
    }
}

} // namespace
} // namespace kavora
