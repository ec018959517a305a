// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/RecordCoding.h"
#include "ProtocolTesting.h"
#include "protocol/FavoriteSiteList.h"

#include <gtest/gtest.h>

#include <string>

namespace kavora::test {
namespace {

// The record's JSON after decoding and encoding again, or "error: " and the description.
template <auto Decode> std::string reencodedRecord(std::string_view json)
{
    const auto record = Decode(nlohmann::json::parse(json, nullptr, false));
    if (!record)
        return "error: " + record.error();
    JsonWriter writer;
    writeJson(writer, record.value());
    return writer.take();
}

constexpr auto app = &reencodedRecord<appInfoFromJson>;
constexpr auto site = &reencodedRecord<favoriteSiteFromJson>;
constexpr auto button = &reencodedRecord<systemButtonFromJson>;
constexpr auto action = &reencodedRecord<macroActionFromJson>;

// Each row: a record's JSON, and its JSON after decoding and encoding again or the failure.
TEST(RecordDecoding, GivesTheExpectedRecordOrFailure)
{
    struct Row {
        const char* name;
        std::string (*decode)(std::string_view);
        std::string_view input;
        std::string_view expected;
    };
    // clang-format off
    const Row rows[] = {
        // AppInfo: the icon is optional, isRunning required.
        { "AppWithoutIcon", app, R"({"bundleId":"a","name":"b","isRunning":false})", R"({"bundleId":"a","name":"b","isRunning":false})" },
        { "AppIconNull", app, R"({"bundleId":"a","name":"b","iconPNG":null,"isRunning":false})", R"({"bundleId":"a","name":"b","isRunning":false})" },
        { "AppMembersInAnyOrder", app, R"({"isRunning":true,"x":[1],"iconPNG":"QQ==","name":"b","bundleId":"a"})", R"({"bundleId":"a","name":"b","iconPNG":"QQ==","isRunning":true})" },
        { "AppIconNotBase64", app, R"({"bundleId":"a","name":"b","iconPNG":"!!","isRunning":true})", "error: iconPNG: not valid base64" },
        { "AppIconUnpadded", app, R"({"bundleId":"a","name":"b","iconPNG":"QQ","isRunning":true})", "error: iconPNG: not valid base64" },
        { "AppIconNotString", app, R"({"bundleId":"a","name":"b","iconPNG":[],"isRunning":true})", "error: iconPNG: expected a base64 string" },
        { "AppWithoutIsRunning", app, R"({"bundleId":"a","name":"b"})", "error: isRunning: missing or null" },
        { "AppNotObject", app, R"(["a","b",false])", "error: expected an object" },

        // FavoriteSite: userNamed defaults to false and is always written.
        { "SiteWithoutUserNamed", site, R"({"id":"i","url":"u","name":"n"})", R"({"id":"i","url":"u","name":"n","userNamed":false})" },
        { "SiteUserNamedNull", site, R"({"id":"i","url":"u","name":"n","userNamed":null})", R"({"id":"i","url":"u","name":"n","userNamed":false})" },
        { "SiteUserNamedTrue", site, R"({"id":"i","url":"u","name":"n","userNamed":true})", R"({"id":"i","url":"u","name":"n","userNamed":true})" },
        { "SiteUserNamedNotBool", site, R"({"id":"i","url":"u","name":"n","userNamed":"yes"})", "error: userNamed: expected true or false" },
        { "SiteBrowserNull", site, R"({"id":"i","url":"u","name":"n","browserBundleId":null})", R"({"id":"i","url":"u","name":"n","userNamed":false})" },
        { "SiteEveryField", site, R"({"id":"i","url":"u","name":"n","browserBundleId":"b","iconPNG":"AAECA/7/","userNamed":true})", R"({"id":"i","url":"u","name":"n","browserBundleId":"b","iconPNG":"AAECA/7/","userNamed":true})" },
        { "SiteWithoutId", site, R"({"url":"u","name":"n"})", "error: id: missing or null" },

        // SystemButton: every field required.
        { "ButtonCopy", button, R"({"id":"copy","label":"Copy","sfSymbol":"doc.on.doc","colorHex":"3B9EDB","action":{"shortcut":{"modifier":8,"keyCode":6}}})", R"({"id":"copy","label":"Copy","sfSymbol":"doc.on.doc","colorHex":"3B9EDB","action":{"shortcut":{"modifier":8,"keyCode":6}}})" },
        { "ButtonWithoutColor", button, R"({"id":"copy","label":"Copy","sfSymbol":"doc.on.doc","action":{"shortcut":{"modifier":8,"keyCode":6}}})", "error: colorHex: missing or null" },
        { "ButtonActionNull", button, R"({"id":"c","label":"C","sfSymbol":"s","colorHex":"000000","action":null})", "error: action: missing or null" },
        { "ButtonTwoActions", button, R"({"id":"c","label":"C","sfSymbol":"s","colorHex":"000000","action":{"shortcut":{"modifier":8,"keyCode":6},"textInput":{"_0":"abc"}}})", "error: action: Invalid number of keys found, expected one." },

        // MacroAction: one case key, like a message.
        { "ActionTwoKeys", action, R"({"shortcut":{"modifier":8,"keyCode":6},"textInput":{"_0":"abc"}})", "error: Invalid number of keys found, expected one." },
        { "ActionUnknownKeyOnly", action, R"({"launchapp":{"bundleId":"a","name":"b"}})", "error: Invalid number of keys found, expected one." },
        { "ActionMissionControlIgnoresContents", action, R"({"missionControl":{"x":1}})", R"({"missionControl":{}})" },
        { "ActionAmongMoreMembersThanCases", action, R"({"a":0,"b":0,"c":0,"d":0,"missionControl":{}})", R"({"missionControl":{}})" },
        { "ActionLaunchApp", action, R"({"launchApp":{"name":"Files","bundleId":"org.gnome.Nautilus"}})", R"({"launchApp":{"bundleId":"org.gnome.Nautilus","name":"Files"}})" },
        { "ActionLaunchAppWithoutName", action, R"({"launchApp":{"bundleId":"a"}})", "error: launchApp: name: missing or null" },
        { "ActionShortcutOutOfRange", action, R"({"shortcut":{"modifier":8,"keyCode":300}})", "error: shortcut: keyCode: expected an integer from 0 to 255" },
        { "ActionTextNotString", action, R"({"textInput":{"_0":1}})", "error: textInput: _0: expected a string" },
        { "ActionPayloadNotObject", action, R"({"textInput":"abc"})", "error: textInput: expected an object" },
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(row.decode(row.input), row.expected) << row.name;
}

TEST(RecordCoding, ToJsonIsTheWrittenForm)
{
    const FavoriteSite debian {
        "d", "https://www.debian.org/", "Debian", std::nullopt, Bytes { 1, 2 }, true
    };
    EXPECT_EQ(
        toJson(debian),
        nlohmann::json::parse(
            R"({"id":"d","url":"https://www.debian.org/","name":"Debian","iconPNG":"AQI=","userNamed":true})"));
    EXPECT_EQ(toJson(MacroAction { macro::TextInput { "a" } }),
              nlohmann::json::parse(R"({"textInput":{"_0":"a"}})"));
}

TEST(FavoriteSiteList, StoredFormRoundTrips)
{
    const std::vector<FavoriteSite> sites {
        { "https://www.debian.org", "https://www.debian.org/", "Debian", "org.mozilla.firefox",
          std::nullopt, true },
        { "https://example.org", "https://example.org/", "Example", std::nullopt, std::nullopt,
          false },
    };
    const std::string stored = encodeFavoriteSiteList(sites);
    EXPECT_EQ(
        stored,
        R"([{"id":"https://www.debian.org","url":"https://www.debian.org/","name":"Debian","browserBundleId":"org.mozilla.firefox","userNamed":true},)"
        R"({"id":"https://example.org","url":"https://example.org/","name":"Example","userNamed":false}])");
    const auto decoded = decodeFavoriteSiteList(stored);
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(decoded.value(), sites);
    EXPECT_EQ(encodeFavoriteSiteList({}), "[]");
}

TEST(FavoriteSiteList, OneBadSiteFailsTheList)
{
    const auto empty = decodeFavoriteSiteList("[]");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty.value().empty());
    EXPECT_EQ(decodeFavoriteSiteList(R"([{"id":"i","url":"u","name":"n"},{"url":"u","name":"n"}])")
                  .error(),
              "[1]: id: missing or null");
    EXPECT_EQ(decodeFavoriteSiteList(R"({"sites":[]})").error(), "expected an array");
    EXPECT_EQ(decodeFavoriteSiteList("[").error(), "not valid JSON");
}

} // namespace
} // namespace kavora::test
