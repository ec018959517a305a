// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/FavoriteSites.h"

#include "support/FakeHttpClient.h"
#include "support/InMemoryUserDefaults.h"
#include "support/RecordingLaunchServices.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora::test {
namespace {

using Strings = std::vector<std::string>;

constexpr auto kIconOfExample = "https://www.google.com/s2/favicons?domain=example.com&sz=64";
constexpr auto kExample = "https://example.com";

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

FavoriteSite site(std::string url, std::string name = "", bool userNamed = false)
{
    return { url, url, std::move(name), std::nullopt, std::nullopt, userNamed };
}

Strings idsOf(const std::vector<FavoriteSite>& sites)
{
    Strings ids;
    for (const auto& entry : sites)
        ids.push_back(entry.id);
    return ids;
}

TEST(FavoriteSiteText, ExtractTitle)
{
    struct Row {
        const char* shows;
        std::string html;
        std::optional<std::string> expected;
    };
    // clang-format off
    const Row rows[] = {
        { "plain", "<html><title>Hello</title></html>", "Hello" },
        { "capital tags", "<HTML><TITLE>Hello</TITLE>", "Hello" },
        { "mixed case and attributes", "<Title lang=\"en\">Hi</tItLe>", "Hi" },
        { "first title wins", "<title>One</title><title>Two</title>", "One" },
        { "amp is one pass", "<title>A &amp;amp; B</title>", "A &amp; B" },
        { "later entities see earlier results", "<title>x &amp;lt; y</title>", "x < y" },
        { "every occurrence", "<title>a &amp; b &amp; c</title>", "a & b & c" },
        { "every entity", "<title>&lt;&gt;&quot;&#39;&nbsp;&amp;</title>", "<>\"' &" },
        { "other entities stay", "<title>&eacute;&#x27;&AMP;</title>", "&eacute;&#x27;&AMP;" },
        { "trimmed", "<title>\n\t  Spaced Out \r\n</title>", "Spaced Out" },
        { "nbsp entity alone is blank", "<title>&nbsp;</title>", std::nullopt },
        { "only spaces", "<title>     </title>", std::nullopt },
        { "empty, before a stray closing tag", "<title></title>x</title>", std::nullopt },
        { "no closing tag", "<title>Never closed", std::nullopt },
        { "no end of the opening tag", "<title", std::nullopt },
        { "no title", "<html><body>x</body></html>", std::nullopt },
        { "closing tag before the opening one", "</title><title>Late</title>", "Late" },
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(extractTitle(row.html), row.expected) << row.shows;
}

// A site list over a fake network; `assignments` holds every assignment of the list, `pushes`
// counts the pushes a late favicon or title asks for.
class FavoriteSitesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        subscription = sites->favoriteSites().subscribe(
            [this](const auto& value) { assignments.push_back(value); });
    }
    // Puts sites in the list as loading them from the store does, then forgets that assignment.
    void load(std::vector<FavoriteSite> stored)
    {
        sites->restoreFavoriteSites(std::move(stored));
        assignments.clear();
    }
    const std::vector<FavoriteSite>& list() const { return sites->favoriteSites().get(); }
    std::shared_ptr<FavoriteSites> make()
    {
        return FavoriteSites::create({ scheduler, http, launcher, defaults }, [this] { ++pushes; });
    }

    VirtualScheduler scheduler;
    FakeHttpClient http;
    RecordingLaunchServices launcher;
    InMemoryUserDefaults defaults;
    std::vector<std::vector<FavoriteSite>> assignments;
    int pushes = 0;
    std::shared_ptr<FavoriteSites> sites = make();
    Subscription subscription;
};

TEST_F(FavoriteSitesTest, AddStoresNormalisedURLAndResolvedName)
{
    struct Row {
        const char* shows;
        std::string url;
        std::string name;
        FavoriteSite expected;
    };
    // clang-format off
    const Row rows[] = {
        { "no name: the host", "example.com", "", site(kExample, "example.com") },
        { "name of spaces: the host", "c.example", "   ", site("https://c.example", "c.example") },
        { "name trimmed of spaces", "d.example", "  My Site\t", site("https://d.example", "My Site", true) },
        { "newlines not trimmed", "e.example", "\nNews\n", site("https://e.example", "\nNews\n", true) },
        { "not a URL: the address", "g example", "", site("https://g example", "https://g example") },
    };
    // clang-format on
    for (auto row : rows) {
        // The browser goes in as it is given, absent or not.
        row.expected.browserBundleId
            = list().size() % 2 ? std::optional<std::string>("b") : std::nullopt;
        sites->addFavoriteSite(row.url, row.name, row.expected.browserBundleId);
        EXPECT_EQ(list().back(), row.expected) << row.shows;
    }
    EXPECT_EQ(assignments.size(), std::size(rows));
}

TEST_F(FavoriteSitesTest, AddIgnoresBlankDuplicateAndEleventh)
{
    sites->addFavoriteSite("example.com", "", std::nullopt);
    sites->addFavoriteSite("  example.com \n", "Other", std::nullopt);
    sites->addFavoriteSite(kExample, "", std::nullopt);
    sites->addFavoriteSite(" \n\t", "Blank", std::nullopt);
    EXPECT_EQ(idsOf(list()), Strings { kExample });
    for (int i = 2; i <= 11; ++i)
        sites->addFavoriteSite("site" + std::to_string(i) + ".example", "", std::nullopt);
    EXPECT_EQ(list().size(), 10u); // the tenth is still accepted
    EXPECT_EQ(list().back().id, "https://site10.example");
    EXPECT_EQ(assignments.size(), 10u);
}

TEST_F(FavoriteSitesTest, RemoveDropsEveryMatchAndAlwaysAssigns)
{
    load({ site("a"), site("b"), site("a"), site("c") });
    sites->removeFavoriteSite("a");
    EXPECT_EQ(idsOf(list()), (Strings { "b", "c" }));
    sites->removeFavoriteSite("nosuch");
    EXPECT_EQ(idsOf(list()), (Strings { "b", "c" }));
    EXPECT_EQ(assignments.size(), 2u);
}

TEST_F(FavoriteSitesTest, RenameAssignsNameThenFlag)
{
    load({ site("a", "a.example"), site("b", "Old", true) });
    sites->renameFavoriteSite("a", "  Spaced  ");
    ASSERT_EQ(assignments.size(), 2u);
    EXPECT_EQ(assignments[0][0], site("a", "  Spaced  ", false));
    EXPECT_EQ(assignments[1][0], site("a", "  Spaced  ", true));

    sites->renameFavoriteSite("b", " \t\n ");
    ASSERT_EQ(assignments.size(), 4u);
    EXPECT_EQ(assignments[2][1], site("b", "", true));
    EXPECT_EQ(list().at(1), site("b", "", false));

    sites->renameFavoriteSite("nosuch", "Name");
    EXPECT_EQ(assignments.size(), 4u);
}

TEST_F(FavoriteSitesTest, RenameSetsNoFlagWhenTheSiteWasRemovedMeanwhile)
{
    // Whoever sees the new name removes the site before its flag is set: the next site takes its
    // place, or the list ends there.
    for (const std::string renamed : { "b", "c" }) {
        load({ site("a"), site("b"), site("c") });
        Subscription removing = sites->favoriteSites().subscribe([&](const auto& now) {
            if (now.size() == 3 && now[renamed == "b" ? 1 : 2].name == "New")
                sites->removeFavoriteSite(renamed);
        });
        sites->renameFavoriteSite(renamed, "New");
        EXPECT_EQ(idsOf(list()), (Strings { "a", renamed == "b" ? "c" : "b" }));
        EXPECT_FALSE(list().back().userNamed) << renamed;
    }
}

TEST_F(FavoriteSitesTest, MoveTakesTheTargetsIndex)
{
    const Strings abcde { "A", "B", "C", "D", "E" };
    // clang-format off
    const std::tuple<std::string, std::string, Strings> rows[] = {
        { "A", "C", { "B", "C", "A", "D", "E" } }, // forward
        { "D", "B", { "A", "D", "B", "C", "E" } }, // backward
        { "E", "A", { "E", "A", "B", "C", "D" } }, // last to first
        { "A", "E", { "B", "C", "D", "E", "A" } }, // first to last
        { "B", "C", { "A", "C", "B", "D", "E" } }, // neighbours
        { "C", "C", abcde }, // the same id: nothing assigned
        { "X", "A", abcde }, // from a missing id
        { "A", "X", abcde }, // to a missing id
    };
    // clang-format on
    for (const auto& [from, to, expected] : rows) {
        load({ site("A"), site("B"), site("C"), site("D"), site("E") });
        sites->moveFavoriteSite(from, to);
        EXPECT_EQ(idsOf(list()), expected) << from << " onto " << to;
        EXPECT_EQ(assignments.size(), expected == abcde ? 0u : 1u) << from << " onto " << to;
    }
}

TEST_F(FavoriteSitesTest, PeerListResolvesUserNameThenTitleThenHost)
{
    auto stored = site("example.com"); // a stored address without scheme is fetched normalised
    stored.iconPNG = bytesOf("stored icon");
    stored.browserBundleId = "com.google.Chrome";
    load({ stored, site("https://named.example", "\tMine\u202E\n", true) });

    auto expected = site("example.com", "example.com"); // the stored icon is never sent
    expected.browserBundleId = "com.google.Chrome";
    EXPECT_EQ(sites->favoriteSitesForPeer(),
              (std::vector { expected, site("https://named.example", "Mine", true) }));
    // A user-named site needs no title.
    EXPECT_EQ(http.urls(),
              (Strings { kIconOfExample, kExample,
                         "https://www.google.com/s2/favicons?domain=named.example&sz=64" }));
    const auto& icon = http.requests[0].request;
    EXPECT_TRUE(icon.headers.empty());
    EXPECT_FALSE(icon.timeout.has_value());
    EXPECT_EQ(icon.maxBodyBytes, FavoriteSites::kMaxIconBytes);
    const auto& page = http.requests[1].request;
    using Header = std::pair<std::string, std::string>;
    EXPECT_EQ(page.headers,
              (std::vector<Header> { { "User-Agent", "Mozilla/5.0 (Macintosh) Kavora" } }));
    EXPECT_EQ(page.timeout, std::optional<Seconds>(Seconds(8.0)));
    EXPECT_EQ(page.maxBodyBytes, FavoriteSites::kMaxPageBytes);

    ASSERT_TRUE(http.completeWithBody(kIconOfExample, "PNG", 404));
    ASSERT_TRUE(http.completeWithBody(kExample, "<title>Example</title>"));
    EXPECT_EQ(pushes, 0); // nothing happens before the main queue runs
    scheduler.runPending();
    EXPECT_EQ(pushes, 2);
    expected.name = "Example";
    expected.iconPNG = bytesOf("PNG");
    EXPECT_EQ(sites->favoriteSitesForPeer().at(0), expected);
    EXPECT_EQ(http.requests.size(), 3u); // cached and in-flight ones are not asked again
    EXPECT_TRUE(assignments.empty()); // resolution never changes the list itself
}

TEST_F(FavoriteSitesTest, OneRequestInFlightAndFailuresRetried)
{
    load({ site(kExample) });
    sites->favoriteSitesForPeer();
    sites->favoriteSitesForPeer();
    EXPECT_EQ(http.requests.size(), 2u);
    ASSERT_TRUE(http.completeWithBody(kIconOfExample, ""));
    ASSERT_TRUE(http.complete(kExample, { 0, std::nullopt, "timed out" }));
    scheduler.runPending();
    sites->favoriteSitesForPeer();
    EXPECT_EQ(http.urls(), (Strings { kIconOfExample, kExample, kIconOfExample, kExample }));
}

// Each row: an answer to the favicon or the page request, and what is cached from it ("" for
// nothing, and then nothing is pushed either).
TEST_F(FavoriteSitesTest, OnlyUsableAnswersAreCachedAndPushed)
{
    const auto page = [](std::string html) { return HttpResponse { 200, bytesOf(html), {} }; };
    const auto icon = [](std::size_t size) { return HttpResponse { 200, Bytes(size, 0x89), {} }; };
    const auto spaces
        = [](std::size_t size) { return "<title>Big</title>" + std::string(size - 18, ' '); };
    const std::size_t maxIcon = FavoriteSites::kMaxIconBytes;
    const std::size_t maxPage = FavoriteSites::kMaxPageBytes;
    // clang-format off
    const std::tuple<const char*, std::string, HttpResponse, std::string> rows[] = {
        { "icon without body", kIconOfExample, { 200, std::nullopt, std::nullopt }, "" },
        { "empty icon", kIconOfExample, icon(0), "" },
        { "icon at the cap", kIconOfExample, icon(maxIcon), "icon of " + std::to_string(maxIcon) },
        { "icon over the cap", kIconOfExample, icon(maxIcon + 1), "" },
        { "failed page", kExample, { 0, std::nullopt, "timed out" }, "" },
        { "page without title", kExample, page("<p>no title</p>"), "" },
        { "title with nothing to show", kExample, page("<title>\u202E</title>"), "" },
        { "page at the cap", kExample, page(spaces(maxPage)), "Big" },
        { "page over the cap", kExample, page(spaces(maxPage + 1)), "" },
        { "Latin-1 page, title on one line", kExample, page("<title>Caf\xE9\x85&amp; Co</title>"), "Caf\xC3\xA9 & Co" },
        { "long title cut", kExample, page("<title>\xE9" + std::string(300, 'x') + "</title>"), "\xC3\xA9" + std::string(199, 'x') },
    };
    // clang-format on
    for (const auto& [shows, url, response, cached] : rows) {
        pushes = 0;
        sites = make();
        sites->restoreFavoriteSites({ site(kExample) });
        sites->favoriteSitesForPeer();
        ASSERT_TRUE(http.complete(url, response)) << shows;
        scheduler.runPending();
        std::string found;
        if (const auto& icons = sites->faviconCache(); icons.contains(kExample))
            found = "icon of " + std::to_string(icons.at(kExample).size());
        if (const auto& titles = sites->pageTitleCache(); titles.contains(kExample))
            found = titles.at(kExample);
        EXPECT_EQ(found, cached) << shows;
        EXPECT_EQ(pushes, cached.empty() ? 0 : 1) << shows;
    }
}

TEST_F(FavoriteSitesTest, FaviconServiceIsASetting)
{
    const std::pair<std::optional<std::string>, std::string> rows[] = {
        { std::nullopt, kIconOfExample },
        { "", kIconOfExample },
        { "icons.example.org", "https://icons.example.org/s2/favicons?domain=example.com&sz=64" },
        { "http://127.0.0.1:8080/", "http://127.0.0.1:8080/s2/favicons?domain=example.com&sz=64" },
    };
    for (const auto& [setting, expected] : rows) {
        http.requests.clear();
        defaults.removeObject(FavoriteSites::kFaviconServiceHostKey);
        if (setting)
            defaults.setString(FavoriteSites::kFaviconServiceHostKey, *setting);
        auto own = make();
        own->restoreFavoriteSites({ site(kExample, "Named", true) });
        own->favoriteSitesForPeer();
        EXPECT_EQ(http.urls(), Strings { expected }) << setting.value_or("absent");
    }
}

TEST_F(FavoriteSitesTest, SitesThatAreNotURLsAreNotFetched)
{
    load({ site(""), site("https://exa mple.com") });
    EXPECT_EQ(sites->favoriteSitesForPeer(),
              (std::vector { site(""), site("https://exa mple.com", "https://exa mple.com") }));
    EXPECT_TRUE(http.requests.empty());
}

TEST_F(FavoriteSitesTest, CompletionsAfterTheOwnerIsGoneDoNothing)
{
    load({ site(kExample), site("https://other.example") });
    sites->favoriteSitesForPeer();
    ASSERT_EQ(http.openCount(), 4u);
    // One answer reaches the main queue only after the owner has gone.
    ASSERT_TRUE(http.completeWithBody(kIconOfExample, "PNG"));
    sites.reset();
    scheduler.runPending();
    EXPECT_EQ(pushes, 0);
    EXPECT_EQ(http.openCount(), 0u); // the rest were cancelled
}

TEST_F(FavoriteSitesTest, OpenURLPassesTheTextAndBrowser)
{
    sites->openURLInBrowser("example.com", std::nullopt);
    sites->openURLInBrowser(" https://a.example ", std::string());
    sites->openURLInBrowser("https://b.example", std::string("com.apple.Safari"));
    EXPECT_EQ(launcher.lines,
              (Strings { "open example.com", "open  https://a.example ",
                         "open -b com.apple.Safari https://b.example" }));
}

} // namespace
} // namespace kavora::test
