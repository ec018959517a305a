// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/JsonWriter.h"
#include "ProtocolTesting.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

namespace kavora::test {
namespace {

std::string written(std::string_view text)
{
    JsonWriter writer;
    writer.string(text);
    return writer.take();
}

TEST(JsonWriter, EscapesWhatJsonRequires)
{
    EXPECT_EQ(written("a\"b\\c/d"), R"("a\"b\\c/d")");
    EXPECT_EQ(written("\b\f\n\r\t"), R"("\b\f\n\r\t")");
    EXPECT_EQ(written(std::string_view("\0\x01\x1F\x7F", 4)), "\"\\u0000\\u0001\\u001f\x7F\"");
    EXPECT_EQ(written("é😀"), "\"é😀\"");
    // Each byte of malformed UTF-8 becomes one U+FFFD.
    EXPECT_EQ(written("a\xFF-\xE2\x82"), "\"a\uFFFD-\uFFFD\uFFFD\"");
}

TEST(JsonWriter, CommasGoBetweenValuesOfEveryKind)
{
    JsonWriter writer;
    writer.beginArray().boolean(true).integer(-1).string("a").float32(1.5F).base64({ 1 });
    writer.beginObject().endObject().beginArray().endArray().beginObject().key("k").integer(2);
    writer.endObject().boolean(false).endArray();
    EXPECT_EQ(writer.take(), R"([true,-1,"a",1.5,"AQ==",{},[],{"k":2},false])");
}

TEST(JsonWriter, NonFiniteFloatFailsTheMessage)
{
    EXPECT_FALSE(encodeMessage(msg::Scroll { -std::numeric_limits<float>::infinity() }));
    EXPECT_EQ(encodeMessage(msg::DragDelta { std::numeric_limits<float>::quiet_NaN(), 0 }).error(),
              "dragDelta: a number is not finite");
}

float decodedDeltaY(const std::string& wire)
{
    const auto message = decodeMessage(wire);
    return message ? std::get<msg::Scroll>(message.value()).deltaY
                   : std::numeric_limits<float>::quiet_NaN();
}

TEST(JsonWriter, EveryFloatReadsBackExactly)
{
    std::vector<float> values { 7.038531e-26F,
                                -7.038531e-26F, // shortest text rounds twice
                                std::numeric_limits<float>::max(),
                                std::numeric_limits<float>::lowest(),
                                std::numeric_limits<float>::min(),
                                std::numeric_limits<float>::denorm_min(),
                                -0.0F,
                                0.0F };
    std::mt19937 random(20240601);
    for (int i = 0; i < 20000; ++i) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (std::isfinite(value))
            values.push_back(value);
    }
    for (const float value : values) {
        const auto wire = encodeMessage(msg::Scroll { value });
        ASSERT_TRUE(wire);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(decodedDeltaY(wire.value())),
                  std::bit_cast<std::uint32_t>(value))
            << wire.value();
    }
}

} // namespace
} // namespace kavora::test
