#include "wire/FrameDecoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavora {
namespace {

std::string header(std::uint32_t length)
{
    return { static_cast<char>(length >> 24), static_cast<char>((length >> 16) & 0xFF),
             static_cast<char>((length >> 8) & 0xFF), static_cast<char>(length & 0xFF) };
}

// Every frame the decoder yields for the stream fed in chunks of the given size.
std::vector<std::string> decodeInChunks(std::string_view stream, std::size_t chunk,
                                        FrameDecoder& decoder)
{
    std::vector<std::string> frames;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        decoder.append(stream.substr(at, chunk));
        std::string payload;
        while (decoder.next(payload) == FrameDecoder::Status::Frame)
            frames.push_back(payload);
    }
    return frames;
}

TEST(FrameDecoderTest, EncodesBigEndianLength)
{
    EXPECT_EQ(encodeFrame("abc"), header(3) + "abc");
    EXPECT_EQ(encodeFrame(std::string(0x01020304 & 0xFFFF, 'x')).substr(0, 4), header(0x0304));
    EXPECT_EQ(header(258), std::string("\0\0\1\2", 4));
}

TEST(FrameDecoderTest, SameFramesForEveryChunking)
{
    const std::string stream = encodeFrame(R"({"heartbeat":{}})") + encodeFrame("x")
        + encodeFrame(std::string(300, 'y')) + encodeFrame("last");
    for (std::size_t chunk : { 1U, 2U, 3U, 4U, 5U, 7U, 64U, 1000U }) {
        FrameDecoder decoder(1024);
        const auto frames = decodeInChunks(stream, chunk, decoder);
        ASSERT_EQ(frames.size(), 4U) << "chunk " << chunk;
        EXPECT_EQ(frames[0], R"({"heartbeat":{}})");
        EXPECT_EQ(frames[1], "x");
        EXPECT_EQ(frames[2], std::string(300, 'y'));
        EXPECT_EQ(frames[3], "last");
        EXPECT_FALSE(decoder.hasPartialFrame());
        EXPECT_EQ(decoder.buffered(), 0U);
    }
}

TEST(FrameDecoderTest, LengthBoundaries)
{
    struct Row {
        const char* shows;
        std::uint32_t length;
        FrameDecoder::Status expected;
    };
    const std::vector<Row> rows {
        { "exactly the limit", 64, FrameDecoder::Status::Frame },
        { "one past the limit", 65, FrameDecoder::Status::Violation },
        { "largest length", 0xFFFFFFFF, FrameDecoder::Status::Violation },
        { "empty frame", 0, FrameDecoder::Status::Violation },
        { "one byte", 1, FrameDecoder::Status::Frame },
    };
    for (const auto& row : rows) {
        FrameDecoder decoder(64);
        // Only the header and what fits the limit arrive: a violation must not wait for more.
        decoder.append(header(row.length)
                       + std::string(std::min<std::uint32_t>(row.length, 64), 'z'));
        std::string payload;
        EXPECT_EQ(decoder.next(payload), row.expected) << row.shows;
    }
}

TEST(FrameDecoderTest, ViolationIsFinalAndFreesTheBuffer)
{
    FrameDecoder decoder(16);
    decoder.append(encodeFrame("ok") + header(17) + std::string(17, 'q'));
    std::string payload;
    EXPECT_EQ(decoder.next(payload), FrameDecoder::Status::Frame);
    EXPECT_EQ(payload, "ok");
    EXPECT_EQ(decoder.next(payload), FrameDecoder::Status::Violation);
    EXPECT_TRUE(decoder.violated());
    EXPECT_EQ(decoder.violation(), "frame of 17 bytes exceeds the limit of 16");
    EXPECT_EQ(decoder.buffered(), 0U);

    decoder.append(encodeFrame("later"));
    EXPECT_EQ(decoder.next(payload), FrameDecoder::Status::Violation);
    EXPECT_FALSE(decoder.hasPartialFrame());
}

TEST(FrameDecoderTest, PartialFrameIsReported)
{
    FrameDecoder decoder(64);
    std::string payload;
    EXPECT_FALSE(decoder.hasPartialFrame());
    decoder.append(std::string("\0\0", 2));
    EXPECT_TRUE(decoder.hasPartialFrame()) << "half a header is a started frame";
    EXPECT_EQ(decoder.next(payload), FrameDecoder::Status::NeedMore);
    decoder.append(std::string("\0\3ab", 4));
    EXPECT_EQ(decoder.next(payload), FrameDecoder::Status::NeedMore);
    decoder.append("c");
    EXPECT_EQ(decoder.next(payload), FrameDecoder::Status::Frame);
    EXPECT_EQ(payload, "abc");
    EXPECT_FALSE(decoder.hasPartialFrame());
}

TEST(FrameDecoderTest, RaisedLimitAppliesToBufferedFrame)
{
    FrameDecoder decoder(8);
    decoder.append(encodeFrame("hi") + encodeFrame(std::string(20, 'w')));
    std::string payload;
    ASSERT_EQ(decoder.next(payload), FrameDecoder::Status::Frame);
    decoder.setMaxPayloadBytes(32);
    ASSERT_EQ(decoder.next(payload), FrameDecoder::Status::Frame);
    EXPECT_EQ(payload.size(), 20U);
}

} // namespace
} // namespace kavora
