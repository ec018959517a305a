// The browser controller end to end: the real receiver serving its page, Chromium on a phone's
// screen opening the address of the receiver's QR code, touches and typing on the page, and
// their effect seen by an X client of the test's own. One receiver and one browser serve the
// whole suite, whose cases run in order: join, use, then be refused.
#include "PageDriver.h"
#include "e2e/ReceiverProcess.h"
#include "support/linux/PeerTestSupport.h"
#include "support/linux/Polling.h"
#include "support/linux/X11TestClient.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>

namespace kavora::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;
using Event = X11TestClient::Event;

constexpr unsigned long kJapaneseDay = 0x1000000 + 0x65E5; // 日, as X names a Unicode keysym
constexpr unsigned long kReturnKeysym = 0xFF0D;
constexpr unsigned int kWheelUp = 4;

// A registered application whose program leaves a mark when started, with a red icon.
void addViewer(const fs::path& home)
{
    const auto applications = home / ".local/share/applications";
    fs::create_directories(applications);
    const auto program = home / "viewer";
    std::ofstream(program) << "#!/bin/sh\necho started >> '" << (home / "viewer.launched").string()
                           << "'\n";
    fs::permissions(program, fs::perms::owner_all);
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    image.save(QString::fromStdString((home / "viewer.png").string()), "PNG");
    std::ofstream(applications / "org.example.Viewer.desktop")
        << "[Desktop Entry]\nType=Application\nName=Example Viewer\nExec=" << program.string()
        << "\nIcon=" << (home / "viewer.png").string() << "\n";
    fs::create_directories(home / ".config/kavora");
    std::ofstream(home / ".config/kavora/settings.json") << json {
        { "kavora.migrated.v1", true }, { "macRegisteredAppBundleIds", { "org.example.Viewer" } }
    }.dump();
}

// The device fingerprint the receiver keeps for a browser: SHA-256 of its credential's bytes.
std::string fingerprintOf(const std::string& credential)
{
    const auto bytes
        = QByteArray::fromBase64(QByteArray::fromStdString(credential),
                                 QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

struct Suite {
    ReceiverProcess receiver { addViewer, true, ReceiverProcess::Browser::On };
    std::string address = receiver.ready() ? receiver.webAddress() : std::string();
    X11TestClient probe { receiver.xDisplay() };
    PageDriver driver { receiver.scratchPath("driver.log") };
    json joined; // what the phone's page showed after opening the QR code's address
};

class BrowserControllerTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ensureQtApplication();
        skipReason = PageDriver::missing();
        if (!skipReason.empty())
            return;
        suite = std::make_unique<Suite>();
        if (!suite->address.empty()) {
            suite->probe.recordInput();
            suite->joined
                = phone({ { "cmd", "open" }, { "url", suite->address }, { "until", "connected" } });
        }
    }
    static void TearDownTestSuite() { suite.reset(); }

    void SetUp() override
    {
        if (!skipReason.empty())
            GTEST_SKIP() << skipReason;
        ASSERT_TRUE(suite->receiver.ready()) << suite->receiver.log();
        ASSERT_FALSE(suite->address.empty()) << "no address with a pairing token\n"
                                             << suite->receiver.log();
        ASSERT_TRUE(suite->joined.value("ok", false))
            << errorOf(suite->joined) << suite->driver.log() << suite->receiver.log();
    }

    static json phone(json command) { return suite->driver.command("phone", std::move(command)); }
    static bool phoneDoes(json command)
    {
        const auto answer = phone(std::move(command));
        EXPECT_TRUE(answer.value("ok", false)) << errorOf(answer) << suite->driver.log();
        return answer.value("ok", false);
    }
    // The recorded events up to the first that matches, as lines for failure messages.
    static std::vector<Event> eventsUntil(const std::function<bool(const Event&)>& matches)
    {
        return suite->probe.takeUntil(matches, kReplyTimeout);
    }

    static inline std::string skipReason;
    static inline std::unique_ptr<Suite> suite;
};

std::string describe(const std::vector<Event>& events)
{
    std::string lines;
    for (const auto& event : events)
        lines += X11TestClient::describe(event) + "\n";
    return lines;
}

TEST_F(BrowserControllerTest, TheQrAddressJoinsKeepsACredentialAndLeavesTheAddressBar)
{
    EXPECT_EQ(suite->joined["status"], "接続中");
    EXPECT_EQ(suite->joined["hash"], "") << "the token stays out of the history";
    EXPECT_TRUE(suite->joined["credential"].is_string()) << suite->joined.dump();
    // Console errors include what the receiver's content policy blocked.
    EXPECT_EQ(suite->joined["errors"], json::array()) << suite->joined.dump();
}

TEST_F(BrowserControllerTest, AOneFingerSwipeMovesTheXPointer)
{
    const auto before = suite->probe.pointer().value();
    ASSERT_TRUE(phoneDoes({ { "cmd", "swipe" }, { "from", { 100, 300 } }, { "by", { 80, 40 } } }));
    // 80 × 40 CSS pixels at the page's gain; the receiver's speed is left at 1.
    EXPECT_TRUE(pollUntil([&] {
        const auto now = suite->probe.pointer().value();
        return now.x >= before.x + 100 && now.y >= before.y + 50;
    })) << "from ("
        << before.x << "," << before.y << ") to (" << suite->probe.pointer()->x << ","
        << suite->probe.pointer()->y << ")\n"
        << suite->receiver.log();
}

TEST_F(BrowserControllerTest, ATapClicksAndTwoFingersScrollTheWindow)
{
    ASSERT_TRUE(phoneDoes({ { "cmd", "tap" }, { "at", { 150, 400 } } }));
    const auto click = eventsUntil([](const Event& event) {
        return event.kind == Event::Kind::ButtonUp && event.detail == 1;
    });
    ASSERT_FALSE(click.empty()) << suite->receiver.log();
    EXPECT_EQ(click.back().kind, Event::Kind::ButtonUp) << describe(click);

    // Fingers moving down bring the content down: the wheel turns up.
    ASSERT_TRUE(phoneDoes(
        { { "cmd", "swipe" }, { "from", { 120, 300 } }, { "by", { 0, 160 } }, { "fingers", 2 } }));
    const auto scroll = eventsUntil([](const Event& event) {
        return event.kind == Event::Kind::ButtonDown && event.detail >= kWheelUp;
    });
    ASSERT_FALSE(scroll.empty()) << suite->receiver.log();
    EXPECT_EQ(scroll.back().detail, kWheelUp) << describe(scroll);
}

TEST_F(BrowserControllerTest, TypedTextAndAJapaneseCompositionReachTheFocusedWindow)
{
    ASSERT_TRUE(phoneDoes({ { "cmd", "view" }, { "name", "keyboard" } }));
    ASSERT_TRUE(phoneDoes({ { "cmd", "type" }, { "text", "ok" } }));
    ASSERT_TRUE(phoneDoes(
        { { "cmd", "compose" }, { "steps", { "に", "にほ", "日本" } }, { "commit", "日" } }));
    ASSERT_TRUE(phoneDoes({ { "cmd", "tapSelector" }, { "selector", ".key[data-key=return]" } }));

    const auto typed = eventsUntil([](const Event& event) {
        return event.kind == Event::Kind::KeyDown && event.keysym == kReturnKeysym;
    });
    std::vector<unsigned long> pressed;
    for (const auto& event : typed) {
        if (event.kind == Event::Kind::KeyDown)
            pressed.push_back(event.keysym);
    }
    EXPECT_EQ(pressed, (std::vector<unsigned long> { 'o', 'k', kJapaneseDay, kReturnKeysym }))
        << describe(typed) << suite->receiver.log();
}

TEST_F(BrowserControllerTest, TheLauncherShowsTheRegisteredAppWithItsIconAndATapLaunchesIt)
{
    const auto launcher = phone({ { "cmd", "launcher" } });
    ASSERT_TRUE(launcher.value("ok", false)) << errorOf(launcher) << suite->receiver.log();
    EXPECT_EQ(launcher["apps"], json::parse(R"([{"name":"Example Viewer","icon":true}])"));

    ASSERT_TRUE(phoneDoes({ { "cmd", "tapApp" }, { "name", "Example Viewer" } }));
    EXPECT_TRUE(pollUntil([] { return fs::exists(suite->receiver.home() / "viewer.launched"); }))
        << suite->receiver.log();
}

TEST_F(BrowserControllerTest, AReloadRejoinsWithTheCredentialUntilTheDeviceIsRemoved)
{
    const auto rejoined = phone({ { "cmd", "reload" }, { "until", "connected" } });
    ASSERT_TRUE(rejoined.value("ok", false)) << errorOf(rejoined) << suite->receiver.log();

    const std::string credential = suite->joined["credential"];
    ASSERT_EQ(suite->receiver.devices({ "revoke", fingerprintOf(credential) }), 0)
        << suite->receiver.log();
    const auto refused = phone({ { "cmd", "reload" }, { "until", "sheet" } });
    ASSERT_TRUE(refused.value("ok", false)) << errorOf(refused) << suite->receiver.log();
    EXPECT_EQ(refused["sheet"], "ペアリングが必要です");
    EXPECT_EQ(refused["credential"], nullptr) << "the page forgets a credential that was revoked";
}

TEST_F(BrowserControllerTest, ATokenIsRefusedTheSecondTime)
{
    // The phone's page was refused above, so the place is free: the answer is about the token.
    const auto second = suite->driver.command(
        "second", { { "cmd", "open" }, { "url", suite->address }, { "until", "sheet" } });
    ASSERT_TRUE(second.value("ok", false)) << errorOf(second) << suite->receiver.log();
    EXPECT_EQ(second["sheet"], "ペアリングが必要です");
    EXPECT_EQ(second["status"], "切断されました");
    EXPECT_EQ(second["credential"], nullptr);
}

// A browser with neither a token nor a credential is the consent prompt's: it shows the code the
// computer shows (printed by the headless receiver) and joins once the person there allows it.
TEST_F(BrowserControllerTest, AnUnknownBrowserShowsTheComputersCodeAndJoinsOnceAllowed)
{
    const auto withoutToken = suite->address.substr(0, suite->address.find('#'));
    const auto waiting = suite->driver.command(
        "stranger", { { "cmd", "open" }, { "url", withoutToken }, { "until", "sheet" } });
    ASSERT_TRUE(waiting.value("ok", false)) << errorOf(waiting) << suite->receiver.log();

    std::string request;
    while (auto line = suite->receiver.process().readLine(kReplyTimeout)) {
        request += *line + "\n";
        if (line->find("to allow it, run:") != std::string::npos)
            break;
    }
    const std::regex announced(
        R"(verification code: (\d{3})(\d{3})[\s\S]*devices allow ([0-9a-f]{64}))");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(request, found, announced)) << request << suite->receiver.log();
    EXPECT_EQ(waiting["sheet"], "コンピュータで許可してください");
    EXPECT_EQ(waiting["code"], found.str(1) + " " + found.str(2));

    ASSERT_EQ(suite->receiver.devices({ "allow", found.str(3) }), 0);
    const auto joined
        = suite->driver.command("stranger", { { "cmd", "wait" }, { "until", "connected" } });
    ASSERT_TRUE(joined.value("ok", false)) << errorOf(joined) << suite->receiver.log();
    ASSERT_TRUE(joined["credential"].is_string()) << joined.dump();
    EXPECT_EQ(fingerprintOf(joined["credential"]), found.str(3))
        << "the credential the receiver issued is the device it was asked about";
}

} // namespace
} // namespace kavora::test
