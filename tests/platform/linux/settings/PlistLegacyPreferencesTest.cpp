#include "platform/linux/settings/PlistLegacyPreferences.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

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

std::string asText(const json& binary)
{
    const auto& bytes = binary.get_binary();
    return { bytes.begin(), bytes.end() };
}

class PlistLegacyPreferencesFull : public testing::TestWithParam<const char*> { };

TEST_P(PlistLegacyPreferencesFull, ReadsEveryValueType)
{
    PlistLegacyPreferences reader;
    auto reading = reader.readWithOutcome(fixture(GetParam()));
    ASSERT_EQ(reading.outcome, Outcome::Dictionary);
    const auto& values = *reading.dictionary;
    EXPECT_EQ(values.at("macRegisteredAppBundleIds"),
              json::array({ "org.mozilla.firefox", "jp.example.日本語" }));
    EXPECT_EQ(values.at("macSystemButtonIDs"), json::array({ "spotlight" }));
    ASSERT_TRUE(values.at("macFavoriteSites").is_binary());
    EXPECT_EQ(asText(values.at("macFavoriteSites")),
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
    EXPECT_EQ(
        values.at("nested"),
        (json { { "inner",
                  { { "list", json::array({ "a", 1, true }) }, { "empty", json::object() } } } }));
    EXPECT_EQ(values.size(), 12U);
}

INSTANTIATE_TEST_SUITE_P(Formats, PlistLegacyPreferencesFull,
                         testing::Values("full.binary.plist", "full.xml.plist"),
                         [](const auto& row) {
                             return std::string(row.param).find("xml") == std::string::npos
                                 ? "Binary"
                                 : "Xml";
                         });

struct BadFileRow {
    const char* name;
    const char* file;
    Outcome outcome;
};

class PlistLegacyPreferencesBad : public testing::TestWithParam<BadFileRow> { };

TEST_P(PlistLegacyPreferencesBad, GivesNoDictionaryAndTheProcessCarriesOn)
{
    PlistLegacyPreferences reader;
    auto reading = reader.readWithOutcome(fixture(GetParam().file));
    EXPECT_EQ(reading.outcome, GetParam().outcome);
    EXPECT_FALSE(reading.dictionary);
    EXPECT_FALSE(reader.read(fixture(GetParam().file)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlistLegacyPreferencesBad,
    testing::Values(BadFileRow { "Missing", "no-such-file.plist", Outcome::Missing },
                    BadFileRow { "Folder", "", Outcome::Missing },
                    BadFileRow { "Empty", "empty.plist", Outcome::NotADictionary },
                    BadFileRow { "Junk", "junk.plist", Outcome::NotADictionary },
                    BadFileRow { "TruncatedBinary", "truncated.binary.plist",
                                 Outcome::NotADictionary },
                    BadFileRow { "TruncatedXml", "truncated.xml.plist", Outcome::NotADictionary },
                    BadFileRow { "TopLevelArray", "array.binary.plist", Outcome::NotADictionary },
                    // libplist aborts on this one: only the child process dies.
                    BadFileRow { "NulInKey", "nul-in-key.binary.plist", Outcome::ParserCrashed }),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PlistLegacyPreferences, ANulInsideAStringIsKept)
{
    PlistLegacyPreferences reader;
    auto values = reader.read(fixture("nul-in-string.binary.plist"));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->at("text"), std::string("日\0本", 7));
    EXPECT_EQ(values->at("macCursorSpeed"), 2.0);
}

TEST(PlistLegacyPreferences, AFileOverTheSizeCapIsNotParsed)
{
    std::ifstream file(fixture("full.binary.plist"), std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::size_t>(file.tellg());
    EXPECT_EQ(
        PlistLegacyPreferences({}, size).readWithOutcome(fixture("full.binary.plist")).outcome,
        Outcome::Dictionary);
    EXPECT_EQ(
        PlistLegacyPreferences({}, size - 1).readWithOutcome(fixture("full.binary.plist")).outcome,
        Outcome::TooLarge);
}

TEST(PlistLegacyPreferences, AResultOverTheOutputCapIsNotTaken)
{
    IsolationLimits limits;
    limits.maxOutput = 16;
    EXPECT_EQ(PlistLegacyPreferences(limits).readWithOutcome(fixture("full.xml.plist")).outcome,
              Outcome::NotADictionary);
}

TEST(PlistLegacyPreferences, HomeFolderComesFromTheEnvironment)
{
    const char* saved = std::getenv("HOME");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(PlistLegacyPreferences().homeDirectory(), "/home/someone");
    // A relative HOME is not a home folder: the password database answers instead.
    ::setenv("HOME", "relative", 1);
    const auto fallback = PlistLegacyPreferences().homeDirectory();
    EXPECT_TRUE(fallback.empty() || fallback[0] == '/') << fallback;
    if (saved != nullptr)
        ::setenv("HOME", previous.c_str(), 1);
    else
        ::unsetenv("HOME");
}

struct IsolationRow {
    const char* name;
    std::function<std::optional<std::string>()> work;
    Status status;
    std::string output;
};

class RunIsolated : public testing::TestWithParam<IsolationRow> { };

TEST_P(RunIsolated, ReportsHowTheChildEnded)
{
    IsolationLimits limits;
    limits.timeout = std::chrono::milliseconds(300);
    limits.maxOutput = 1024;
    auto outcome = runIsolated(GetParam().work, limits);
    EXPECT_EQ(outcome.status, GetParam().status);
    EXPECT_EQ(outcome.output, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RunIsolated,
    testing::Values(
        IsolationRow { "Output", [] { return std::optional<std::string>("result"); },
                       Status::Finished, "result" },
        IsolationRow { "LargestOutput", [] { return std::optional(std::string(1024, 'x')); },
                       Status::Finished, std::string(1024, 'x') },
        IsolationRow { "OutputOverTheCap", [] { return std::optional(std::string(1025, 'x')); },
                       Status::OutputTooLarge, "" },
        IsolationRow { "EmptyOutput", [] { return std::optional<std::string>(""); },
                       Status::Finished, "" },
        IsolationRow { "Nothing", [] { return std::optional<std::string>(); }, Status::Failed, "" },
        IsolationRow { "Throws",
                       []() -> std::optional<std::string> { throw std::runtime_error("x"); },
                       Status::Failed, "" },
        IsolationRow { "Aborts",
                       []() -> std::optional<std::string> {
                           std::raise(SIGABRT);
                           return "unreached";
                       },
                       Status::Crashed, "" },
        IsolationRow { "Hangs",
                       []() -> std::optional<std::string> {
                           for (;;)
                               std::this_thread::sleep_for(std::chrono::seconds(1));
                       },
                       Status::TimedOut, "" }),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RunIsolatedSignal, NamesTheSignal)
{
    auto outcome = runIsolated([]() -> std::optional<std::string> {
        std::raise(SIGTERM);
        return std::nullopt;
    });
    EXPECT_EQ(outcome.status, Status::Crashed);
    EXPECT_EQ(outcome.signal, SIGTERM);
}

} // namespace
} // namespace kavora::test
