// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/FrameDecoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavora {
namespace {

using Status = FrameDecoder::Status;

std::string header(std::uint32_t length)
{
    return { static_cast<char>(length >> 24), static_cast<char>((length >> 16) & 0xFF),
             static_cast<char>((length >> 8) & 0xFF), static_cast<char>(length & 0xFF) };
}

TEST(FrameDecoderTest, EncodesBigEndianLength)
{
    EXPECT_EQ(encodeFrame("abc"), std::string("\0\0\0\3abc", 7));
    EXPECT_EQ(encodeFrame(std::string(0x0102, 'x')).substr(0, 4), std::string("\0\0\1\2", 4));
}

TEST(FrameDecoderTest, SameFramesForEveryChunking)
{
    const std::vector<std::string> sent { R"({"heartbeat":{}})", "x", std::string(300, 'y'),
                                          "last" };
    std::string stream;
    for (const auto& frame : sent)
        stream += encodeFrame(frame);
    for (std::size_t chunk : { 1U, 2U, 3U, 4U, 5U, 7U, 64U, 1000U }) {
        FrameDecoder decoder(1024);
        std::vector<std::string> frames;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            decoder.append(std::string_view(stream).substr(at, chunk));
            std::string_view payload;
            while (decoder.next(payload) == Status::Frame)
                frames.emplace_back(payload);
        }
        EXPECT_EQ(frames, sent) << "chunk " << chunk;
        EXPECT_FALSE(decoder.hasPartialFrame());
        EXPECT_EQ(decoder.buffered(), 0U);
    }
}

TEST(FrameDecoderTest, LengthBoundaries)
{
    const std::pair<std::uint32_t, Status> rows[] = {
        { 64, Status::Frame }, // exactly the limit
        { 65, Status::Violation }, // one past it
        { 0x01000040, Status::Violation }, // the limit in the low bytes, more above
        { 0xFFFFFFFF, Status::Violation },
        { 0, Status::Violation }, // an empty frame
        { 1, Status::Frame },
    };
    for (const auto& [length, expected] : rows) {
        FrameDecoder decoder(64);
        // Only the header and what fits the limit arrive: a violation must not wait for more.
        decoder.append(header(length) + std::string(std::min<std::uint32_t>(length, 64), 'z'));
        std::string_view payload;
        EXPECT_EQ(decoder.next(payload), expected) << length;
    }
}

TEST(FrameDecoderTest, ViolationIsFinalAndFreesTheBuffer)
{
    FrameDecoder decoder(16);
    decoder.append(encodeFrame("ok") + header(17) + std::string(17, 'q'));
    std::string_view payload;
    EXPECT_EQ(decoder.next(payload), Status::Frame);
    EXPECT_EQ(payload, "ok");
    EXPECT_EQ(decoder.next(payload), Status::Violation);
    EXPECT_TRUE(decoder.violated());
    EXPECT_EQ(decoder.violation(), "frame of 17 bytes exceeds the limit of 16");
    EXPECT_EQ(decoder.buffered(), 0U);

    decoder.append(encodeFrame("later"));
    EXPECT_EQ(decoder.next(payload), Status::Violation);
    EXPECT_FALSE(decoder.hasPartialFrame());
}

TEST(FrameDecoderTest, PartialFrameIsReported)
{
    FrameDecoder decoder(64);
    std::string_view payload;
    EXPECT_FALSE(decoder.hasPartialFrame());
    decoder.append(std::string("\0\0", 2));
    EXPECT_TRUE(decoder.hasPartialFrame()) << "half a header is a started frame";
    EXPECT_EQ(decoder.next(payload), Status::NeedMore);
    decoder.append(std::string("\0\3ab", 4));
    EXPECT_EQ(decoder.next(payload), Status::NeedMore);
    decoder.append("c");
    EXPECT_EQ(decoder.next(payload), Status::Frame);
    EXPECT_EQ(payload, "abc");
    EXPECT_FALSE(decoder.hasPartialFrame());
}

TEST(FrameDecoderTest, AFrameOfSixteenMebibytesAfterATakenOne)
{
    const std::string big(0x01000001, 'b');
    const std::string stream = encodeFrame("a") + encodeFrame(big);
    EXPECT_EQ(stream.substr(5, 4), std::string("\1\0\0\1", 4));
    FrameDecoder decoder(big.size());
    decoder.append(std::string_view(stream).substr(0, 9));
    std::string_view payload;
    EXPECT_EQ(decoder.next(payload), Status::Frame);
    EXPECT_EQ(decoder.next(payload), Status::NeedMore);
    decoder.append(std::string_view(stream).substr(9));
    EXPECT_EQ(decoder.next(payload), Status::Frame);
    EXPECT_EQ(payload.size(), big.size());
}

TEST(FrameDecoderTest, RaisedLimitAppliesToBufferedFrame)
{
    FrameDecoder decoder(8);
    decoder.append(encodeFrame("hi") + encodeFrame(std::string(20, 'w')));
    std::string_view payload;
    ASSERT_EQ(decoder.next(payload), Status::Frame);
    decoder.setMaxPayloadBytes(32);
    ASSERT_EQ(decoder.next(payload), Status::Frame);
    EXPECT_EQ(payload, std::string(20, 'w'));
}

} // namespace
} // namespace kavora
