#include "controller/FavoriteSites.h"

#include "controller/UrlText.h"
#include "support/FakeHttpClient.h"
#include "support/InMemoryUserDefaults.h"
#include "support/RecordingLaunchServices.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora {
namespace {

using Strings = std::vector<std::string>;

constexpr auto kIconOfExample = "https://www.google.com/s2/favicons?domain=example.com&sz=64";

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

FavoriteSite site(std::string url, std::string name = "", bool userNamed = false)
{
    FavoriteSite result;
    result.id = url;
    result.url = std::move(url);
    result.name = std::move(name);
    result.userNamed = userNamed;
    return result;
}

Strings idsOf(const std::vector<FavoriteSite>& sites)
{
    Strings ids;
    for (const auto& entry : sites)
        ids.push_back(entry.id);
    return ids;
}

class FavoriteSitesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sites
            = FavoriteSites::create({ scheduler, http, launcher, defaults }, [this] { ++pushes; });
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

    test::VirtualScheduler scheduler;
    test::FakeHttpClient http;
    test::RecordingLaunchServices launcher;
    test::InMemoryUserDefaults defaults;
    std::vector<std::vector<FavoriteSite>> assignments;
    Subscription subscription;
    int pushes = 0;
    std::shared_ptr<FavoriteSites> sites;
};

TEST(FavoriteSiteText, NormalizeURL)
{
    struct Row {
        const char* shows;
        std::string input;
        std::string expected;
    };
    const Row rows[] = {
        { "no scheme gets https", "example.com", "https://example.com" },
        { "whitespace and newlines trimmed", " \t example.com/a \n", "https://example.com/a" },
        { "http kept", "http://example.com", "http://example.com" },
        { "https kept", "https://example.com", "https://example.com" },
        { "capital scheme not recognised", "HTTP://example.com", "https://HTTP://example.com" },
        { "other scheme not recognised", "ftp://example.com", "https://ftp://example.com" },
        { "blank is empty", " \t\r\n ", "" },
        { "empty is empty", "", "" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(normalizeURL(row.input), row.expected) << row.shows;
}

TEST(FavoriteSiteText, HostOrSelf)
{
    struct Row {
        const char* shows;
        std::string input;
        std::string expected;
    };
    const Row rows[] = {
        { "bare host", "example.com", "example.com" },
        { "untrimmed bare host", "  example.com\n", "example.com" },
        { "userinfo, port, path, query, fragment", "https://u:p@www.example.com:8080/a?b=c#d",
          "www.example.com" },
        { "host case kept", "http://Example.COM/", "Example.COM" },
        { "IPv6 literal without brackets", "http://[::1]:8080/x", "::1" },
        { "unclosed IPv6 literal", "http://[::1/x", "http://[::1/x" },
        { "space is not a URL", "https://exa mple.com", "https://exa mple.com" },
        { "non-ASCII is not a URL", "日本.jp", "日本.jp" },
        { "bad percent escape", "https://a%zz.com", "https://a%zz.com" },
        { "port out of range", "https://example.com:65536/", "https://example.com:65536/" },
        { "port at the limit", "https://example.com:65535/", "example.com" },
        { "letters in the port", "https://example.com:8o/", "https://example.com:8o/" },
        { "empty host", "https:///path", "https:///path" },
        { "empty text", "", "" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(hostOrSelf(row.input), row.expected) << row.shows;
}

TEST(FavoriteSiteText, ExtractTitle)
{
    struct Row {
        const char* shows;
        std::string html;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        { "plain", "<html><title>Hello</title></html>", "Hello" },
        { "capital tags", "<HTML><TITLE>Hello</TITLE>", "Hello" },
        { "mixed case and attributes", "<Title lang=\"en\">Hi</tItLe>", "Hi" },
        { "first title wins", "<title>One</title><title>Two</title>", "One" },
        { "amp is one pass", "<title>A &amp;amp; B</title>", "A &amp; B" },
        { "later entities see earlier results", "<title>x &amp;lt; y</title>", "x < y" },
        { "every entity", "<title>&lt;&gt;&quot;&#39;&nbsp;&amp;</title>", "<>\"' &" },
        { "other entities stay", "<title>&eacute;&#x27;&AMP;</title>", "&eacute;&#x27;&AMP;" },
        { "trimmed", "<title>\n\t  Spaced Out \r\n</title>", "Spaced Out" },
        { "nbsp entity alone is blank", "<title>&nbsp;</title>", std::nullopt },
        { "only spaces", "<title>     </title>", std::nullopt },
        { "empty", "<title></title>", std::nullopt },
        { "no closing tag", "<title>Never closed", std::nullopt },
        { "no end of the opening tag", "<title", std::nullopt },
        { "no title", "<html><body>x</body></html>", std::nullopt },
        { "closing tag before the opening one", "</title><title>Late</title>", "Late" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(extractTitle(row.html), row.expected) << row.shows;
}

TEST_F(FavoriteSitesTest, AddStoresNormalisedURLAndResolvedName)
{
    struct Row {
        const char* shows;
        std::string url;
        std::string name;
        std::string expectedURL;
        std::string expectedName;
        bool userNamed;
    };
    const Row rows[] = {
        { "no scheme", "example.com", "", "https://example.com", "example.com", false },
        { "http kept", "http://a.example/x", "", "http://a.example/x", "a.example", false },
        { "capital scheme", "HTTP://b.example", "", "https://HTTP://b.example", "HTTP", false },
        { "name of spaces", "c.example", "   ", "https://c.example", "c.example", false },
        { "name trimmed of spaces", "d.example", "  My Site\t", "https://d.example", "My Site",
          true },
        { "newlines not trimmed", "e.example", "\nNews\n", "https://e.example", "\nNews\n", true },
        { "not a URL", "g example", "", "https://g example", "https://g example", false },
    };
    for (const auto& row : rows) {
        const auto before = list().size();
        // The browser goes in as it is given, absent or not.
        const auto browser
            = before % 2 ? std::optional<std::string>("com.apple.Safari") : std::nullopt;
        sites->addFavoriteSite(row.url, row.name, browser);
        ASSERT_EQ(list().size(), before + 1) << row.shows;
        const auto& added = list().back();
        EXPECT_EQ(added.browserBundleId, browser) << row.shows;
        EXPECT_EQ(added.url, row.expectedURL) << row.shows;
        EXPECT_EQ(added.id, row.expectedURL) << row.shows;
        EXPECT_EQ(added.name, row.expectedName) << row.shows;
        EXPECT_EQ(added.userNamed, row.userNamed) << row.shows;
        EXPECT_FALSE(added.iconPNG.has_value()) << row.shows;
    }
    EXPECT_EQ(assignments.size(), std::size(rows));
}

TEST_F(FavoriteSitesTest, AddIgnoresBlankDuplicateAndEleventh)
{
    sites->addFavoriteSite("example.com", "", std::nullopt);
    sites->addFavoriteSite("  example.com \n", "Other", std::nullopt);
    sites->addFavoriteSite("https://example.com", "", std::nullopt);
    sites->addFavoriteSite(" \n\t", "Blank", std::nullopt);
    EXPECT_EQ(idsOf(list()), Strings { "https://example.com" });
    EXPECT_EQ(assignments.size(), 1u);

    for (int i = 2; i <= 10; ++i)
        sites->addFavoriteSite("site" + std::to_string(i) + ".example", "", std::nullopt);
    EXPECT_EQ(list().size(), 10u); // the tenth is still accepted
    EXPECT_EQ(assignments.size(), 10u);
    sites->addFavoriteSite("eleven.example", "", std::nullopt);
    EXPECT_EQ(list().size(), 10u);
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
    EXPECT_EQ(assignments[0][0].name, "  Spaced  ");
    EXPECT_FALSE(assignments[0][0].userNamed);
    EXPECT_EQ(assignments[1][0].name, "  Spaced  ");
    EXPECT_TRUE(assignments[1][0].userNamed);

    sites->renameFavoriteSite("b", " \t\n ");
    ASSERT_EQ(assignments.size(), 4u);
    EXPECT_EQ(assignments[2][1].name, "");
    EXPECT_TRUE(assignments[2][1].userNamed);
    EXPECT_EQ(list().at(1).name, "");
    EXPECT_FALSE(list().at(1).userNamed);

    sites->renameFavoriteSite("nosuch", "Name");
    EXPECT_EQ(assignments.size(), 4u);
}

TEST_F(FavoriteSitesTest, MoveTakesTheTargetsIndex)
{
    struct Row {
        const char* shows;
        std::string from;
        std::string to;
        Strings expected; // empty: nothing assigned
    };
    const Row rows[] = {
        { "forward", "A", "C", { "B", "C", "A", "D", "E" } },
        { "backward", "D", "B", { "A", "D", "B", "C", "E" } },
        { "last to first", "E", "A", { "E", "A", "B", "C", "D" } },
        { "first to last", "A", "E", { "B", "C", "D", "E", "A" } },
        { "neighbours", "B", "C", { "A", "C", "B", "D", "E" } },
        { "same id", "C", "C", {} },
        { "missing from", "X", "A", {} },
        { "missing to", "A", "X", {} },
    };
    for (const auto& row : rows) {
        load({ site("A"), site("B"), site("C"), site("D"), site("E") });
        sites->moveFavoriteSite(row.from, row.to);
        if (row.expected.empty()) {
            EXPECT_TRUE(assignments.empty()) << row.shows;
        } else {
            ASSERT_EQ(assignments.size(), 1u) << row.shows;
            EXPECT_EQ(idsOf(list()), row.expected) << row.shows;
        }
    }
}

TEST_F(FavoriteSitesTest, PeerListResolvesUserNameThenTitleThenHost)
{
    auto stored = site("https://example.com");
    stored.iconPNG = bytesOf("stored icon");
    stored.browserBundleId = "com.google.Chrome";
    load({ stored, site("https://named.example", "\tMine\u202E\n", true) });

    auto first = sites->favoriteSitesForPeer();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].name, "example.com");
    EXPECT_FALSE(first[0].iconPNG.has_value()); // the stored icon is never sent
    EXPECT_EQ(first[0].browserBundleId, std::optional<std::string>("com.google.Chrome"));
    EXPECT_EQ(first[1].name, "Mine");
    // A user-named site needs no title.
    EXPECT_EQ(http.urls(),
              (Strings { kIconOfExample, "https://example.com",
                         "https://www.google.com/s2/favicons?domain=named.example&sz=64" }));

    ASSERT_TRUE(http.completeWithBody(kIconOfExample, "PNG", 404));
    // A page that is not UTF-8 is read as Latin-1, and its title kept to one line (0x85 is NEL).
    ASSERT_TRUE(http.completeWithBody("https://example.com", "<title>Caf\xE9\x85&amp; Co</title>"));
    EXPECT_EQ(pushes, 0); // nothing happens before the main queue runs
    scheduler.runPending();
    EXPECT_EQ(pushes, 2);
    EXPECT_EQ(sites->faviconCache().at("https://example.com"), bytesOf("PNG"));
    EXPECT_EQ(sites->pageTitleCache().at("https://example.com"), "Caf\xC3\xA9 & Co");

    auto second = sites->favoriteSitesForPeer();
    EXPECT_EQ(second[0].name, "Caf\xC3\xA9 & Co");
    EXPECT_EQ(second[0].iconPNG, std::optional<Bytes>(bytesOf("PNG")));
    EXPECT_EQ(second[0].id, "https://example.com");
    EXPECT_EQ(second[1].name, "Mine");
    EXPECT_EQ(http.requests.size(), 3u); // cached and in-flight ones are not asked again
    EXPECT_TRUE(assignments.empty()); // resolution never changes the list itself
}

TEST_F(FavoriteSitesTest, OneRequestInFlightAndFailuresRetried)
{
    load({ site("https://example.com") });
    sites->favoriteSitesForPeer();
    sites->favoriteSitesForPeer();
    EXPECT_EQ(http.requests.size(), 2u);

    ASSERT_TRUE(http.completeWithBody(kIconOfExample, ""));
    ASSERT_TRUE(http.fail("https://example.com", "timed out"));
    scheduler.runPending();
    EXPECT_EQ(pushes, 0);
    EXPECT_TRUE(sites->faviconCache().empty());
    EXPECT_TRUE(sites->pageTitleCache().empty());

    sites->favoriteSitesForPeer();
    EXPECT_EQ(
        http.urls(),
        (Strings { kIconOfExample, "https://example.com", kIconOfExample, "https://example.com" }));
}

TEST_F(FavoriteSitesTest, UnusableAnswersChangeNothing)
{
    struct Row {
        const char* shows;
        bool favicon;
        HttpResponse response;
    };
    const Row rows[] = {
        { "icon without body", true, { 200, std::nullopt, std::nullopt } },
        { "icon over the cap",
          true,
          { 200, Bytes(FavoriteSites::kMaxIconBytes + 1, 0x89), std::nullopt } },
        { "page without title", false, { 200, bytesOf("<p>no title</p>"), std::nullopt } },
        { "page with an unseen title", false, { 200, bytesOf("<title>\u202E</title>"), {} } },
        { "page over the cap",
          false,
          { 200, bytesOf("<title>Big</title>" + std::string(FavoriteSites::kMaxPageBytes, ' ')),
            std::nullopt } },
    };
    load({ site("https://example.com") });
    for (const auto& row : rows) {
        sites->favoriteSitesForPeer();
        ASSERT_TRUE(
            http.complete(row.favicon ? kIconOfExample : "https://example.com", row.response))
            << row.shows;
        scheduler.runPending();
        EXPECT_EQ(pushes, 0) << row.shows;
        EXPECT_TRUE(sites->faviconCache().empty()) << row.shows;
        EXPECT_TRUE(sites->pageTitleCache().empty()) << row.shows;
    }
}

TEST_F(FavoriteSitesTest, LatinOnePageTitleCutToTheLimit)
{
    load({ site("https://example.com") });
    sites->favoriteSitesForPeer();
    const auto page = "<title>Caf\xE9" + std::string(300, 'x') + "</title>";
    ASSERT_TRUE(http.complete("https://example.com", { 200, bytesOf(page), std::nullopt }));
    scheduler.runPending();
    EXPECT_EQ(sites->pageTitleCache().at("https://example.com"),
              "Caf\xC3\xA9" + std::string(FavoriteSites::kMaxTitleLength - 4, 'x'));
}

TEST_F(FavoriteSitesTest, RequestsCarryAgentTimeoutAndCaps)
{
    load({ site("example.com") }); // a stored address without scheme is fetched normalised
    sites->favoriteSitesForPeer();
    ASSERT_EQ(http.requests.size(), 2u);
    const auto& icon = http.requests[0].request;
    EXPECT_EQ(icon.url, kIconOfExample);
    EXPECT_TRUE(icon.headers.empty());
    EXPECT_FALSE(icon.timeout.has_value());
    EXPECT_EQ(icon.maxBodyBytes, FavoriteSites::kMaxIconBytes);
    const auto& page = http.requests[1].request;
    EXPECT_EQ(page.url, "https://example.com");
    using Header = std::pair<std::string, std::string>;
    EXPECT_EQ(page.headers,
              (std::vector<Header> { { "User-Agent", "Mozilla/5.0 (Macintosh) Kavora" } }));
    EXPECT_EQ(page.timeout, std::optional<Seconds>(Seconds(8.0)));
    EXPECT_EQ(page.maxBodyBytes, FavoriteSites::kMaxPageBytes);
}

TEST_F(FavoriteSitesTest, FaviconServiceIsASetting)
{
    struct Row {
        const char* shows;
        std::optional<std::string> setting;
        std::string expected;
    };
    const Row rows[] = {
        { "absent", std::nullopt, kIconOfExample },
        { "empty", "", kIconOfExample },
        { "other host", "icons.example.org",
          "https://icons.example.org/s2/favicons?domain=example.com&sz=64" },
        { "local test server", "http://127.0.0.1:8080/",
          "http://127.0.0.1:8080/s2/favicons?domain=example.com&sz=64" },
    };
    for (const auto& row : rows) {
        if (row.setting)
            defaults.setString(FavoriteSites::kFaviconServiceHostKey, *row.setting);
        else
            defaults.removeObject(FavoriteSites::kFaviconServiceHostKey);
        auto own = FavoriteSites::create({ scheduler, http, launcher, defaults }, [] {});
        own->restoreFavoriteSites({ site("https://example.com", "Named", true) });
        own->favoriteSitesForPeer();
        ASSERT_FALSE(http.requests.empty()) << row.shows;
        EXPECT_EQ(http.requests.back().request.url, row.expected) << row.shows;
    }
}

TEST_F(FavoriteSitesTest, SitesThatAreNotURLsAreNotFetched)
{
    load({ site(""), site("https://exa mple.com") });
    const auto peer = sites->favoriteSitesForPeer();
    EXPECT_EQ(peer[0].name, "");
    EXPECT_EQ(peer[1].name, "https://exa mple.com");
    EXPECT_TRUE(http.requests.empty());
}

TEST_F(FavoriteSitesTest, CompletionsAfterTheOwnerIsGoneDoNothing)
{
    load({ site("https://example.com"), site("https://other.example") });
    sites->favoriteSitesForPeer();
    ASSERT_EQ(http.openCount(), 4u);
    // One answer reaches the main queue only after the owner has gone.
    ASSERT_TRUE(http.completeWithBody(kIconOfExample, "PNG"));
    std::weak_ptr<FavoriteSites> weak = sites;
    sites.reset();
    EXPECT_TRUE(weak.expired());
    scheduler.runPending();
    EXPECT_EQ(pushes, 0);
    EXPECT_EQ(http.openCount(), 0u); // the rest were cancelled
    EXPECT_FALSE(http.completeWithBody("https://example.com", "<title>Late</title>"));
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
} // namespace kavora
