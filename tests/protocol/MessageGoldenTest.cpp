// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ProtocolTesting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

namespace kavora::test {
namespace {

const std::string kGoldenFolder = std::string(KAVORA_SOURCE_DIR) + "/tests/protocol/golden/";

// A golden file's text without its final line break.
std::string readGolden(std::string_view key)
{
    std::ifstream file(kGoldenFolder + std::string(key) + ".json", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::string golden = text.str();
    if (!golden.empty() && golden.back() == '\n')
        golden.pop_back();
    return golden;
}

// One message per case, in declaration order, with values that differ from the defaults so that
// a field lost on either side shows in the text.
const std::vector<ControlMessage>& samples()
{
    static const std::vector<ControlMessage> messages {
        msg::MouseDelta { 3.5F, -1.0F },
        msg::Scroll { -2.25F },
        msg::LeftClickDown {},
        msg::LeftClickUp {},
        msg::RightClickDown {},
        msg::RightClickUp {},
        msg::DragStart {},
        msg::DragDelta { 0.1F, 12.0F },
        msg::DragEnd {},
        msg::KeyDown { 8, 4 },
        msg::KeyUp {},
        msg::TextInput { "Grüße, \"Kavora\"\n" },
        msg::SwipeBack {},
        msg::SwipeForward {},
        msg::Pinch { 1.25F },
        msg::VolumeDelta { -3 },
        msg::SetMuted { true },
        msg::MuteToggle {},
        msg::Heartbeat {},
        msg::MissionControl {},
        msg::LaunchApp { "org.mozilla.firefox" },
        msg::RequestAppList {},
        msg::AppList { {
            { "org.mozilla.firefox", "Firefox",
              Bytes { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' }, false },
            { "org.gnome.Calculator", "Calculator", std::nullopt, false },
        } },
        msg::ActivateApp { "org.gnome.Nautilus" },
        msg::RequestRegisteredApps {},
        msg::RegisteredAppList { {
            { "org.gnome.Terminal", "Terminal", Bytes { 0, 1, 2, 3, 254, 255 }, true },
        } },
        msg::RequestSystemButtons {},
        msg::SystemButtons { {
            { "copy", "Copy", "doc.on.doc", "3B9EDB", macro::Shortcut { 8, 6 } },
            { "files", "Files", "folder", "F5A623",
              macro::LaunchApp { "org.gnome.Nautilus", "Files" } },
            { "hello", "Hello", "text.cursor", "7ED321", macro::TextInput { "こんにちは" } },
            { "missioncontrol", "Mission Control", "rectangle.3.group", "9013FE",
              macro::MissionControl {} },
        } },
        msg::RequestFavoriteSites {},
        msg::FavoriteSites { {
            { "https://www.debian.org", "https://www.debian.org/", "Debian", "org.mozilla.firefox",
              Bytes { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, '\r' }, true },
            { "https://example.org", "https://example.org/?q=a&b=c", "Example Domain", std::nullopt,
              std::nullopt, false },
        } },
        msg::OpenURL { "https://www.debian.org/", "com.google.Chrome" },
    };
    return messages;
}

TEST(MessageGolden, OneSampleAndOneGoldenFilePerCase)
{
    ASSERT_EQ(samples().size(), std::variant_size_v<ControlMessage>);
    std::set<std::string> expectedFiles;
    for (std::size_t i = 0; i < samples().size(); ++i) {
        EXPECT_EQ(samples()[i].index(), i) << "samples are in declaration order";
        expectedFiles.insert(std::string(caseKey(samples()[i])) + ".json");
    }
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(kGoldenFolder))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, expectedFiles);
}

class GoldenCase : public testing::TestWithParam<std::size_t> { };

TEST_P(GoldenCase, EncodesToTheGoldenTextAndDecodesFromIt)
{
    const auto& sample = samples()[GetParam()];
    const std::string golden = readGolden(caseKey(sample));
    const auto wire = encodeMessage(sample);
    EXPECT_EQ(wire ? wire.value() : wire.error(), golden);
    const auto message = decodeMessage(golden);
    ASSERT_TRUE(message) << message.error();
    EXPECT_EQ(message.value().index(), sample.index());
    // The sample encodes to the golden text and the encoding is one-to-one, so the same text
    // means the same value.
    EXPECT_EQ(reencoded(golden), golden);
}

INSTANTIATE_TEST_SUITE_P(EveryCase, GoldenCase, testing::Range<std::size_t>(0, 31),
                         [](const testing::TestParamInfo<std::size_t>& row) {
                             return std::string(caseKey(samples()[row.param]));
                         });

} // namespace
} // namespace kavora::test
