// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ProtocolTesting.h"
#include "protocol/FieldReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>

namespace {
// Every allocation of the test program goes through here, so that a test can count its own.
thread_local std::size_t allocations = 0;
} // namespace

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace kavora::test {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kInvalidKeys = "error: Invalid number of keys found, expected one.";

// Each row: what is received, and the wire form it decodes to or "error: " and the exact
// description.
TEST(Decoding, GivesTheExpectedMessageOrFailure)
{
    struct Row {
        const char* name;
        std::string_view input;
        std::string_view expected;
    };
    // clang-format off
    const Row rows[] = {
        // The document must be one JSON object.
        { "UnterminatedObject", R"({"heartbeat":{})", "error: not valid JSON" },
        { "EmptyInput", "", "error: not valid JSON" },
        { "TrailingText", R"({"heartbeat":{}} x)", "error: not valid JSON" },
        { "TrailingNulAndText", "{\"dragStart\":{}}\0trailing {{{"sv, "error: not valid JSON" },
        { "TrailingNul", "{\"heartbeat\":{}}\0"sv, "error: not valid JSON" },
        { "InvalidUtf8InString", "{\"textInput\":{\"_0\":\"\xFF\"}}", "error: not valid JSON" },
        { "LoneSurrogateEscape", R"({"textInput":{"_0":"\ud800"}})", "error: not valid JSON" },
        { "ArrayDocument", R"([{"heartbeat":{}}])", "error: expected an object" },
        { "StringDocument", R"("heartbeat")", "error: expected an object" },
        { "NullDocument", "null", "error: expected an object" },
        { "WhitespaceAndByteOrderMark", "\xEF\xBB\xBF {\n \"heartbeat\" : { } }\n", R"({"heartbeat":{}})" },
        { "PartOfAByteOrderMark", "\xEF\xBB{\"heartbeat\":{}}", "error: not valid JSON" },
        { "CommaAfterTheLastMember", R"({"heartbeat":{},})", "error: not valid JSON" },
        { "NumberPastDoubleRangeInAnIgnoredMember", R"({"heartbeat":{},"x":1e309})", "error: not valid JSON" },
        { "MismatchedBracketInAnIgnoredMember", R"({"heartbeat":{},"x":[1}})", "error: not valid JSON" },
        { "Utf8PastTheFourByteRange", "{\"textInput\":{\"_0\":\"\xF0\xC0\x80\x80\"}}", "error: not valid JSON" },

        // Exactly one member with a case key counts.
        { "EmptyObject", "{}", kInvalidKeys },
        { "OnlyUnknownKeys", R"({"x":{}})", kInvalidKeys },
        { "TwoCaseKeys", R"({"scroll":{"deltaY":2},"leftClickDown":{}})", kInvalidKeys },
        { "KeysAreCaseSensitive", R"({"MouseDelta":{"dx":1,"dy":1}})", kInvalidKeys },
        { "UnknownKeysAreIgnored", R"({"leftClickUp":{},"x":5})", R"({"leftClickUp":{}})" },
        { "DuplicateKeyLastWins", R"({"scroll":{"deltaY":1},"scroll":{"deltaY":2}})", R"({"scroll":{"deltaY":2}})" },
        { "KeysAreComparedUnescaped", R"({"mouse\u0044elta":{"d\u0078":1,"dy":2}})", R"({"mouseDelta":{"dx":1,"dy":2}})" },

        // The payload is an object; payload-free cases do not read it.
        { "NullPayload", R"({"leftClickDown":null})", "error: leftClickDown: expected an object" },
        { "ArrayPayload", R"({"leftClickDown":[]})", "error: leftClickDown: expected an object" },
        { "NumberPayload", R"({"scroll":5})", "error: scroll: expected an object" },
        { "PayloadFreeIgnoresContents", R"({"leftClickDown":{"x":1}})", R"({"leftClickDown":{}})" },

        // Required fields; other members are ignored.
        { "MissingField", R"({"mouseDelta":{"dx":1}})", "error: mouseDelta: dy: missing or null" },
        { "NullField", R"({"mouseDelta":{"dx":null,"dy":1}})", "error: mouseDelta: dx: missing or null" },
        { "ExtraMemberIgnored", R"({"mouseDelta":{"dx":1,"dy":2,"t":0}})", R"({"mouseDelta":{"dx":1,"dy":2}})" },
        { "DuplicateFieldLastWins", R"({"mouseDelta":{"dx":"a","dx":1,"dy":null,"dy":2}})", R"({"mouseDelta":{"dx":1,"dy":2}})" },
        { "StringForNumber", R"({"scroll":{"deltaY":"1"}})", "error: scroll: deltaY: expected a number within the float32 range" },
        { "BoolForString", R"({"launchApp":{"bundleId":true}})", "error: launchApp: bundleId: expected a string" },

        // float32: any number whose value rounds to a finite float.
        { "IntegerForFloat", R"({"pinch":{"scale":2}})", R"({"pinch":{"scale":2}})" },
        { "ExponentForm", R"({"pinch":{"scale":125e-2}})", R"({"pinch":{"scale":1.25}})" },
        { "RoundsToNearestFloat", R"({"scroll":{"deltaY":3.14159265358979}})", R"({"scroll":{"deltaY":3.1415927}})" },
        { "LargestFloat", R"({"scroll":{"deltaY":-3.4028235e38}})", R"({"scroll":{"deltaY":-3.4028235e+38}})" },
        { "PastFloatRange", R"({"scroll":{"deltaY":3.5e38}})", "error: scroll: deltaY: expected a number within the float32 range" },
        { "PastDoubleRangeRefusedByParser", R"({"scroll":{"deltaY":-1e400}})", "error: not valid JSON" },
        { "LargestUnsignedInteger", R"({"scroll":{"deltaY":18446744073709551615}})", R"({"scroll":{"deltaY":1.8446744e+19}})" },
        { "IntegerPastUInt64", R"({"scroll":{"deltaY":18446744073709551616}})", R"({"scroll":{"deltaY":1.8446744e+19}})" },
        { "TinyUnderflowsToZero", R"({"scroll":{"deltaY":1e-50}})", R"({"scroll":{"deltaY":0}})" },
        { "NegativeZeroKeepsSign", R"({"scroll":{"deltaY":-0.0}})", R"({"scroll":{"deltaY":-0.0}})" },

        // uint8: integer literals 0-255 only.
        { "UInt8Bounds", R"({"keyDown":{"modifier":0,"keyCode":255}})", R"({"keyDown":{"modifier":0,"keyCode":255}})" },
        { "UInt8MinusZeroIsZero", R"({"keyDown":{"modifier":-0,"keyCode":4}})", R"({"keyDown":{"modifier":0,"keyCode":4}})" },
        { "UInt8Above", R"({"keyDown":{"modifier":256,"keyCode":4}})", "error: keyDown: modifier: expected an integer from 0 to 255" },
        { "UInt8Negative", R"({"keyDown":{"modifier":-1,"keyCode":4}})", "error: keyDown: modifier: expected an integer from 0 to 255" },
        { "UInt8WithFraction", R"({"keyDown":{"modifier":8,"keyCode":4.0}})", "error: keyDown: keyCode: expected an integer from 0 to 255" },
        { "UInt8WithExponent", R"({"keyDown":{"modifier":8,"keyCode":4e0}})", "error: keyDown: keyCode: expected an integer from 0 to 255" },

        // int64: integer literals in the signed 64-bit range.
        { "Int64Min", R"({"volumeDelta":{"steps":-9223372036854775808}})", R"({"volumeDelta":{"steps":-9223372036854775808}})" },
        { "Int64Max", R"({"volumeDelta":{"steps":9223372036854775807}})", R"({"volumeDelta":{"steps":9223372036854775807}})" },
        { "Int64AboveMax", R"({"volumeDelta":{"steps":9223372036854775808}})", "error: volumeDelta: steps: expected an integer in the signed 64-bit range" },
        { "Int64BelowMin", R"({"volumeDelta":{"steps":-9223372036854775809}})", "error: volumeDelta: steps: expected an integer in the signed 64-bit range" },
        { "Int64WithFraction", R"({"volumeDelta":{"steps":2.0}})", "error: volumeDelta: steps: expected an integer in the signed 64-bit range" },

        // bool: true and false only.
        { "BoolFalse", R"({"setMuted":{"_0":false}})", R"({"setMuted":{"_0":false}})" },
        { "NumberForBool", R"({"setMuted":{"_0":1}})", "error: setMuted: _0: expected true or false" },
        { "StringForBool", R"({"setMuted":{"_0":"true"}})", "error: setMuted: _0: expected true or false" },

        // Strings.
        { "EmptyText", R"({"textInput":{"_0":""}})", R"({"textInput":{"_0":""}})" },
        { "EscapesAreDecoded", R"({"textInput":{"_0":"\u00e9\t\u0000\/"}})", R"({"textInput":{"_0":"é\t\u0000/"}})" },
        { "EscapesOfEveryUtf8Length", R"({"textInput":{"_0":"\u00af\u0080\u20AC\uD83D\uDE00"}})", "{\"textInput\":{\"_0\":\"\u00af\xC2\x80€😀\"}}" },
        { "FourByteUtf8AsItIs", "{\"textInput\":{\"_0\":\"\xF1\x80\x80\x80\"}}", "{\"textInput\":{\"_0\":\"\xF1\x80\x80\x80\"}}" },
        { "NumberForText", R"({"textInput":{"_0":5}})", "error: textInput: _0: expected a string" },

        // The one optional field: absent or null mean none.
        { "BrowserNull", R"({"openURL":{"url":"x","browserBundleId":null}})", R"({"openURL":{"url":"x"}})" },
        { "BrowserAbsent", R"({"openURL":{"url":"x"}})", R"({"openURL":{"url":"x"}})" },
        { "BrowserNotString", R"({"openURL":{"url":"x","browserBundleId":5}})", "error: openURL: browserBundleId: expected a string" },
        { "UrlMissing", R"({"openURL":{"browserBundleId":"b"}})", "error: openURL: url: missing or null" },

        // Arrays of records: every element must decode.
        { "EmptyApps", R"({"appList":{"apps":[]}})", R"({"appList":{"apps":[]}})" },
        { "AppsNotArray", R"({"appList":{"apps":{}}})", "error: appList: apps: expected an array" },
        { "OneBadRecordFailsAll", R"({"registeredAppList":{"apps":[{"bundleId":"a","name":"b","isRunning":true},{"bundleId":"c","name":"d"}]}})", "error: registeredAppList: apps[1]: isRunning: missing or null" },
        { "ElementNotObject", R"({"favoriteSites":{"sites":[1]}})", "error: favoriteSites: sites[0]: expected an object" },
        { "EmptyButtons", R"({"systemButtons":{"buttons":[]}})", R"({"systemButtons":{"buttons":[]}})" },
        { "EmptySites", R"({"favoriteSites":{"sites":[]}})", R"({"favoriteSites":{"sites":[]}})" },
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(reencoded(row.input), row.expected) << row.name;

    // An object with more members than there are cases is searched case by case.
    std::string crowded = R"({"leftClickUp":{})";
    for (int i = 0; i < 40; ++i)
        crowded += ",\"x" + std::to_string(i) + "\":0";
    EXPECT_EQ(reencoded(crowded + "}"), R"({"leftClickUp":{}})");
}

TEST(Decoding, DeepNestingNeitherCrashesNorCounts)
{
    constexpr int kDepth = 100000;
    const std::string nested = std::string(kDepth, '[') + std::string(kDepth, ']');
    EXPECT_EQ(reencoded(R"({"heartbeat":{"x":)" + nested + "}}"), R"({"heartbeat":{}})");
    EXPECT_EQ(reencoded(R"({"textInput":{"_0":)" + nested + "}}"),
              "error: textInput: _0: expected a string");
    EXPECT_EQ(reencoded(std::string(kDepth, '{')), "error: not valid JSON");
}

// The messages of a moving finger, a click or a key are decoded without touching the heap.
TEST(Decoding, TheFixedShapeCasesAllocateNothing)
{
    for (const char* wire :
         { R"({"mouseDelta":{"dx":3.5,"dy":-1}})", R"({"dragDelta":{"dx":-0.25,"dy":12}})",
           R"({"scroll":{"deltaY":-2}})", R"({"leftClickDown":{}})", R"({"rightClickUp":{}})",
           R"({"keyDown":{"modifier":8,"keyCode":4}})", R"({"keyUp":{}})" }) {
        const auto before = allocations;
        const bool decoded = decodeMessage(wire).ok();
        EXPECT_EQ(allocations - before, 0U) << wire;
        EXPECT_TRUE(decoded) << wire;
    }
}

// A read that fails, and every read after it, gives the read's default value.
TEST(FieldReader, AFailedReadAndEveryReadAfterItGiveTheirDefault)
{
    using Read = std::function<std::string(FieldReader&, std::string_view)>;
    const auto text = [](auto value) { return nlohmann::json(value).dump(); };
    // clang-format off
    const std::tuple<const char*, Read, const char*, const char*> rows[] = {
        { "uint8", [&](auto& r, auto key) { return text(r.uint8(key)); }, "n", "0" },
        { "boolean", [&](auto& r, auto key) { return text(r.boolean(key)); }, "b", "false" },
        { "booleanOrFalse", [&](auto& r, auto key) { return text(r.booleanOrFalse(key)); }, "b", "false" },
        { "string", [&](auto& r, auto key) { return text(r.string(key)); }, "s", R"("")" },
        { "optionalString", [&](auto& r, auto key) { return text(r.optionalString(key).value_or("none")); }, "s", R"("none")" },
        { "optionalBytes", [&](auto& r, auto key) { return text(r.optionalBytes(key).has_value()); }, "o", "false" },
    };
    // clang-format on
    const auto object = nlohmann::json::parse(R"({"bad":[1],"n":5,"b":true,"s":"x","o":"AQ=="})");
    for (const auto& [name, read, good, none] : rows) {
        FieldReader reader(object);
        EXPECT_EQ(read(reader, "bad"), none) << name;
        EXPECT_EQ(read(reader, good), none) << name;
        EXPECT_EQ(reader.error().description.substr(0, 5), "bad: ") << name;
    }
    FieldReader missing(object);
    EXPECT_EQ(missing.uint8("missing"), 0);
    EXPECT_EQ(missing.finish(1).error(), "missing: missing or null");
}

} // namespace
} // namespace kavora::test
