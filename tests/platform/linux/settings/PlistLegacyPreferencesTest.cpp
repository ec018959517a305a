#include "platform/linux/settings/PlistLegacyPreferences.h"

#include "support/linux/ScopedVariable.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include <pwd.h>
#include <unistd.h>

namespace kavora::test {
namespace {

using nlohmann::json;
using Outcome = PlistLegacyPreferences::Outcome;
using Status = IsolatedOutcome::Status;

std::string fixture(const char* name)
{
    return std::string(KAVORA_SOURCE_DIR) + "/tests/platform/linux/settings/fixtures/legacy/"
        + name;
}

TEST(PlistLegacyPreferences, ReadsEveryValueTypeOfBothFormats)
{
    for (const char* file : { "full.binary.plist", "full.xml.plist" }) {
        SCOPED_TRACE(file);
        auto reading = PlistLegacyPreferences().readWithOutcome(fixture(file));
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
        EXPECT_EQ(values.at("nested"),
                  (json { { "inner",
                            { { "list", json::array({ "a", 1, true }) },
                              { "empty", json::object() } } } }));
        EXPECT_EQ(values.size(), 12U);
    }
}

TEST(PlistLegacyPreferences, ABadFileGivesNoDictionaryAndTheProcessCarriesOn)
{
    struct Row {
        const char* file;
        Outcome outcome;
    };
    const std::vector<Row> rows {
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
    for (const auto& row : rows) {
        PlistLegacyPreferences reader;
        auto reading = reader.readWithOutcome(fixture(row.file));
        EXPECT_EQ(reading.outcome, row.outcome) << row.file;
        EXPECT_FALSE(reading.dictionary) << row.file;
        EXPECT_FALSE(reader.read(fixture(row.file))) << row.file;
    }
}

TEST(PlistLegacyPreferences, ANulInsideAStringIsKept)
{
    auto values = PlistLegacyPreferences().read(fixture("nul-in-string.binary.plist"));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->at("text"), std::string("日\0本", 7));
    EXPECT_EQ(values->at("macCursorSpeed"), 2.0);
}

TEST(PlistLegacyPreferences, FileAndResultOverTheirCapsAreNotTaken)
{
    const auto file = fixture("full.binary.plist");
    const auto size = std::filesystem::file_size(file);
    EXPECT_EQ(PlistLegacyPreferences({}, size).readWithOutcome(file).outcome, Outcome::Dictionary);
    EXPECT_EQ(PlistLegacyPreferences({}, size - 1).readWithOutcome(file).outcome,
              Outcome::TooLarge);
    IsolationLimits limits;
    limits.maxOutput = 16;
    EXPECT_EQ(PlistLegacyPreferences(limits).readWithOutcome(file).outcome,
              Outcome::NotADictionary);
}

TEST(PlistLegacyPreferences, HomeFolderComesFromTheEnvironment)
{
    {
        ScopedVariable home("HOME", "/home/someone");
        EXPECT_EQ(PlistLegacyPreferences().homeDirectory(), "/home/someone");
    }
    // A relative HOME is not a home folder: the password database answers instead.
    ScopedVariable home("HOME", "relative");
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(PlistLegacyPreferences().homeDirectory(), entry->pw_dir);
}

TEST(RunIsolated, ReportsHowTheChildEnded)
{
    struct Row {
        const char* shows;
        std::function<std::optional<std::string>()> work;
        Status status;
        std::string output;
        int signal;
    };
    const std::vector<Row> rows {
        { "output", [] { return std::optional<std::string>("result"); }, Status::Finished, "result",
          0 },
        { "largest output", [] { return std::optional(std::string(1024, 'x')); }, Status::Finished,
          std::string(1024, 'x'), 0 },
        { "output over the cap", [] { return std::optional(std::string(1025, 'x')); },
          Status::OutputTooLarge, "", 0 },
        { "empty output", [] { return std::optional<std::string>(""); }, Status::Finished, "", 0 },
        { "nothing", [] { return std::optional<std::string>(); }, Status::Failed, "", 0 },
        { "throws", []() -> std::optional<std::string> { throw std::runtime_error("x"); },
          Status::Failed, "", 0 },
        { "aborts",
          []() -> std::optional<std::string> {
              std::raise(SIGABRT);
              return "unreached";
          },
          Status::Crashed, "", SIGABRT },
        { "hangs",
          []() -> std::optional<std::string> {
              for (;;)
                  std::this_thread::sleep_for(std::chrono::seconds(1));
          },
          Status::TimedOut, "", 0 },
    };
    IsolationLimits limits;
    limits.timeout = std::chrono::milliseconds(300);
    limits.maxOutput = 1024;
    for (const auto& row : rows) {
        auto outcome = runIsolated(row.work, limits);
        EXPECT_EQ(outcome.status, row.status) << row.shows;
        EXPECT_EQ(outcome.output, row.output) << row.shows;
        EXPECT_EQ(outcome.signal, row.signal) << row.shows;
    }
}

} // namespace
} // namespace kavora::test
