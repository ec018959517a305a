// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/PlistLegacyPreferences.h"

#include "support/linux/ScopedVariable.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <pwd.h>
#include <unistd.h>

namespace kavora::test {
namespace {

using nlohmann::json;
using Outcome = PlistLegacyPreferences::Outcome;
using Status = IsolatedOutcome::Status;

// The receiver's program reads, started with its private flag.
PlistLegacyPreferences reader(IsolationLimits limits = {},
                              std::size_t maxFileSize = PlistLegacyPreferences::kDefaultMaxFileSize)
{
    return PlistLegacyPreferences(KAVORA_PROGRAM, limits, maxFileSize);
}

std::string fixture(const char* name)
{
    return std::string(KAVORA_SOURCE_DIR) + "/tests/platform/linux/settings/fixtures/legacy/"
        + name;
}

TEST(PlistLegacyPreferences, ReadsEveryValueTypeOfBothFormats)
{
    for (const char* file : { "full.binary.plist", "full.xml.plist" }) {
        SCOPED_TRACE(file);
        auto reading = reader().readWithOutcome(fixture(file));
        ASSERT_EQ(reading.outcome, Outcome::Dictionary);
        const auto& values = *reading.dictionary;
        EXPECT_EQ(values.at("macRegisteredAppBundleIds"),
                  json::array({ "org.mozilla.firefox", "jp.example.日本語" }));
        EXPECT_EQ(values.at("macSystemButtonIDs"), json::array({ "spotlight" }));
        ASSERT_TRUE(values.at("macFavoriteSites").is_binary());
        const auto& favorites = values.at("macFavoriteSites").get_binary();
        EXPECT_EQ(std::string(favorites.begin(), favorites.end()),
                  R"([{"id":"https://example.jp/","url":"https://example.jp/","name":"例のサイト",)"
                  R"("userNamed":true}])");
        EXPECT_TRUE(values.at("macCursorSpeed").is_number_float());
        EXPECT_EQ(values.at("macCursorSpeed"), 2.0);
        EXPECT_EQ(values.at("macScrollSpeed"), 0.5);
        EXPECT_EQ(values.at("macNaturalScroll"), false);
        EXPECT_EQ(values.at("title"), "日本語の設定");
        EXPECT_EQ(values.at("negative"), -5);
        EXPECT_EQ(values.at("large"), 9007199254740993LL);
        EXPECT_DOUBLE_EQ(values.at("when").get<double>(), 1577934245.0); // 2020-01-02T03:04:05Z
        const json inner { { "list", json::array({ "a", 1, true }) }, { "empty", json::object() } };
        EXPECT_EQ(values.at("nested"), (json { { "inner", inner } }));
        EXPECT_EQ(values.size(), 12U);
    }
}

TEST(PlistLegacyPreferences, ABadFileGivesNoDictionaryAndTheProcessCarriesOn)
{
    const std::pair<const char*, Outcome> rows[] = {
        { "no-such-file.plist", Outcome::Missing },
        { "", Outcome::Missing }, // the fixtures' folder
        { "empty.plist", Outcome::NotADictionary },
        { "junk.plist", Outcome::NotADictionary },
        { "truncated.binary.plist", Outcome::NotADictionary },
        { "truncated.xml.plist", Outcome::NotADictionary },
        { "array.binary.plist", Outcome::NotADictionary },
        // libplist aborts on this one: only the child process dies.
        { "nul-in-key.binary.plist", Outcome::ParserCrashed },
    };
    for (const auto& [file, outcome] : rows) {
        auto reading = reader().readWithOutcome(fixture(file));
        EXPECT_EQ(reading.outcome, outcome) << file;
        EXPECT_FALSE(reading.dictionary) << file;
        EXPECT_FALSE(reader().read(fixture(file))) << file;
    }
}

TEST(PlistLegacyPreferences, ANulInsideAStringIsKept)
{
    auto values = reader().read(fixture("nul-in-string.binary.plist"));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->at("text"), std::string("日\0本", 7));
    EXPECT_EQ(values->at("macCursorSpeed"), 2.0);
}

TEST(PlistLegacyPreferences, AReaderAnswerThatIsNoCborDictionaryGivesNothing)
{
    const std::pair<const char*, std::string> rows[] = {
        { "not CBOR", "junk" },
        { "an array", std::string("\x81\x01", 2) },
        { "a map of more members than memory holds", std::string("\xBB\x72\0\0\0\0\0\0\0", 9) },
    };
    for (const auto& [shows, output] : rows)
        EXPECT_FALSE(dictionaryFromReaderOutput(output)) << shows;
}

TEST(PlistLegacyPreferences, FileAndResultOverTheirCapsAreNotTaken)
{
    const auto file = fixture("full.binary.plist");
    const auto size = std::filesystem::file_size(file);
    EXPECT_EQ(reader({}, size).readWithOutcome(file).outcome, Outcome::Dictionary);
    EXPECT_EQ(reader({}, size - 1).readWithOutcome(file).outcome, Outcome::TooLarge);
    IsolationLimits limits;
    limits.maxOutput = 16;
    EXPECT_EQ(reader(limits).readWithOutcome(file).outcome, Outcome::NotADictionary);
}

TEST(PlistLegacyPreferences, HomeFolderComesFromTheEnvironment)
{
    {
        ScopedVariable home("HOME", "/home/someone");
        EXPECT_EQ(reader().homeDirectory(), "/home/someone");
    }
    // A relative HOME is not a home folder: the password database answers instead.
    ScopedVariable home("HOME", "relative");
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(reader().homeDirectory(), entry->pw_dir);
}

TEST(RunIsolated, ReportsHowTheProgramEnded)
{
    // A script for sh -c, with "input" on its standard input; its status, output and signal.
    const std::tuple<const char*, Status, std::string, int> rows[] = {
        { "cat", Status::Finished, "input", 0 },
        { "head -c 1024 /dev/zero", Status::Finished, std::string(1024, '\0'), 0 },
        { "head -c 1025 /dev/zero", Status::OutputTooLarge, "", 0 },
        { "true", Status::Finished, "", 0 },
        { "echo partial; exit 1", Status::Failed, "", 0 },
        { "kill -ABRT $$", Status::Crashed, "", SIGABRT },
        // None of the test's descriptors, and its standard error goes nowhere.
        { "ls /proc/$$/fd; echo error >&2", Status::Finished, "0\n1\n2\n", 0 },
    };
    IsolationLimits limits;
    limits.maxOutput = 1024;
    for (const auto& [script, status, output, signal] : rows) {
        auto outcome = runIsolated("/bin/sh", { "-c", script }, "input", limits);
        EXPECT_EQ(outcome.status, status) << script;
        EXPECT_EQ(outcome.output, output) << script;
        EXPECT_EQ(outcome.signal, signal) << script;
    }
    EXPECT_EQ(runIsolated("/no/such/program", {}, "", limits).status, Status::CannotStart);
    limits.timeout = std::chrono::milliseconds(300);
    EXPECT_EQ(runIsolated("/bin/sh", { "-c", "exec sleep 10" }, "", limits).status,
              Status::TimedOut);
}

} // namespace
} // namespace kavora::test
