#include "core/Base64.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kavora::test {
namespace {

TEST(Base64, EncodesWithPadding)
{
    EXPECT_EQ(encodeBase64({}), "");
    EXPECT_EQ(encodeBase64({ 'f' }), "Zg==");
    EXPECT_EQ(encodeBase64({ 'f', 'o' }), "Zm8=");
    EXPECT_EQ(encodeBase64({ 'f', 'o', 'o' }), "Zm9v");
    EXPECT_EQ(encodeBase64({ 'f', 'o', 'o', 'b' }), "Zm9vYg==");
    EXPECT_EQ(encodeBase64({ 0xFB, 0xFF, 0xBF }), "+/+/");
}

TEST(Base64, EveryByteSequenceRoundTrips)
{
    Bytes bytes;
    for (int i = 0; i < 300; ++i) {
        const auto decoded = decodeBase64(encodeBase64(bytes));
        ASSERT_TRUE(decoded) << i;
        EXPECT_EQ(*decoded, bytes);
        bytes.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    }
}

struct Rejected {
    const char* name;
    std::string_view text;
};

// Test names and failure messages show the row's name rather than its bytes.
void PrintTo(const Rejected& row, std::ostream* out)
{
    *out << row.name;
}

const Rejected kRejected[] = {
    { "MissingPadding", "Zg" },
    { "ShortPadding", "Zg=" },
    { "TooMuchPadding", "Z===" },
    { "PaddingInTheMiddle", "Zg==Zm9v" },
    { "PaddingFirst", "=Zm9" },
    { "UnusedBitsSet", "Zh==" },
    { "UnusedBitsSetBeforeOnePad", "Zm9=" },
    { "LineBreak", "Zm9v\nYg==" },
    { "TrailingNewline", "Zm9v\n" },
    { "UrlAlphabet", "-_-_" },
    { "NonAscii", "Zm9\xC3" },
    { "NulByte", std::string_view("Zm9\0", 4) },
};

class Base64Rejects : public testing::TestWithParam<Rejected> { };

TEST_P(Base64Rejects, NonCanonicalText)
{
    EXPECT_FALSE(decodeBase64(GetParam().text).has_value());
}

INSTANTIATE_TEST_SUITE_P(Strict, Base64Rejects, testing::ValuesIn(kRejected),
                         [](const testing::TestParamInfo<Rejected>& row) {
                             return row.param.name;
                         });

} // namespace
} // namespace kavora::test
