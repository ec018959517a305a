// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/SettingsDocument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kavora::test {
namespace {

using nlohmann::json;

json nested(int depth)
{
    json value = "leaf";
    for (int i = 0; i < depth; ++i)
        value = json::array({ value });
    return value;
}

std::string nestedText(int depth)
{
    return "{\"k\":" + std::string(depth, '[') + "1" + std::string(depth, ']') + "}";
}

TEST(SettingsDocument, EveryValueTypeSurvivesATextRoundTrip)
{
    const SettingsValues values {
        { "bytes", json::binary({ 0, 1, 2, 255 }) },
        { "emptyBytes", json::binary({}) },
        { "emptyArray", json::array() },
        { "oneElement", json::array({ "only" }) },
        { "text", "日本語 \"quoted\"" },
        { "double", 2.0 },
        { "smallDouble", 0.1 },
        { "integer", 9007199254740993LL },
        { "negative", -5 },
        { "flag", false },
        { "dictionary", json { { "$data", "not a buffer" }, { "$", 1 }, { "plain", true } } },
        { "bytesInside", json::array({ json::binary({ 9 }), json { { "b", json::binary({}) } } }) },
    };
    auto parsed = parseSettingsDocument(serializeSettingsDocument(values));
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed.value(), values);
    EXPECT_TRUE(parsed.value().at("double").is_number_float());
    EXPECT_TRUE(parsed.value().at("integer").is_number_integer());
    EXPECT_TRUE(parsed.value().at("bytes").is_binary());
    EXPECT_TRUE(parsed.value().at("emptyArray").is_array());
    EXPECT_TRUE(parsed.value().at("oneElement").is_array());
}

TEST(SettingsDocument, BuffersAreTaggedAndDictionaryKeysEscaped)
{
    const SettingsValues values {
        { "$data", json::binary({ 1, 2, 3 }) },
        { "dictionary", json { { "$data", "x" } } },
    };
    const auto text = serializeSettingsDocument(values);
    const auto onDisk = json::parse(text);
    // Top-level keys are written as they are; only values are encoded.
    EXPECT_EQ(onDisk.at("$data"), (json { { "$data", "AQID" } }));
    EXPECT_EQ(onDisk.at("dictionary"), (json { { "$$data", "x" } }));
    EXPECT_EQ(text.back(), '\n');
}

TEST(SettingsDocument, AcceptsOnlyTheFormat)
{
    const std::tuple<const char*, std::string, bool> rows[] = {
        { "empty object", "{}", true },
        { "buffer", R"({"k":{"$data":"AAE="}})", true },
        { "escaped key", R"({"k":{"$$data":"AAE="}})", true },
        { "deepest allowed", nestedText(kMaxSettingsValueDepth), true },
        { "one too deep", nestedText(kMaxSettingsValueDepth + 1), false },
        { "far too deep", nestedText(100000), false },
        { "empty file", "", false },
        { "truncated", R"({"k":[1,2)", false },
        { "top-level array", "[]", false },
        { "top-level string", "\"x\"", false },
        { "buffer not base64", R"({"k":{"$data":"!!"}})", false },
        { "buffer not text", R"({"k":{"$data":1}})", false },
        { "buffer with an extra member", R"({"k":{"$data":"","x":1}})", false },
        { "unknown tag", R"({"k":{"$date":"2020"}})", false },
        { "bare dollar", R"({"k":{"$":1}})", false },
        { "invalid UTF-8", std::string("{\"k\":\"\xff\"}"), false },
        { "number out of range", R"({"k":[1e400]})", false },
        { "largest double", R"({"k":1.7976931348623157e308})", true },
        { "too large", "{\"k\":\"" + std::string(kMaxSettingsDocumentSize, 'a') + "\"}", false },
    };
    for (const auto& [shows, text, ok] : rows) {
        auto parsed = parseSettingsDocument(text);
        EXPECT_EQ(parsed.ok(), ok) << shows << ": " << (parsed ? "parsed" : parsed.error());
    }
}

TEST(SettingsDocument, NullMembersReadAsAbsent)
{
    auto parsed = parseSettingsDocument(R"({"gone":null,"kept":1})");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed.value(), (SettingsValues { { "kept", 1 } }));
}

TEST(SettingsDocument, InvalidUtf8IsReplacedWhenWritten)
{
    const auto text = serializeSettingsDocument({ { "k", std::string("a\xff") } });
    auto parsed = parseSettingsDocument(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed.value().at("k"), "a\xEF\xBF\xBD");
}

TEST(SettingsDocument, StorableValues)
{
    EXPECT_TRUE(isStorableSettingsValue(nested(kMaxSettingsValueDepth)));
    EXPECT_FALSE(isStorableSettingsValue(nested(kMaxSettingsValueDepth + 1)));
    EXPECT_FALSE(isStorableSettingsValue(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(isStorableSettingsValue(json::array({ INFINITY })));
    EXPECT_TRUE(isStorableSettingsValue(json::binary({ 1 })));
    // What is storable must read back: the parser's depth limit matches.
    auto parsed = parseSettingsDocument(
        serializeSettingsDocument({ { "deep", nested(kMaxSettingsValueDepth) } }));
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed.value().at("deep"), nested(kMaxSettingsValueDepth));
}

} // namespace
} // namespace kavora::test
