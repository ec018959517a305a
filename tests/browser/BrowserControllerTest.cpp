// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The browser controller end to end, in Chromium and in WebKit: the real receiver serving its
// page, a browser on a phone's screen opening the address of the receiver's QR code, gestures,
// a mouse and typing on the page, and their effect seen by an X client of the test's own. One
// receiver and one browser serve each engine's suite, whose cases run in order: join, use, then
// be refused.
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
using namespace std::chrono_literals;

constexpr unsigned long kJapaneseDay = 0x1000000 + 0x65E5; // 日, as X names a Unicode keysym
constexpr unsigned long kReturnKeysym = 0xFF0D;

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

// The engines, each with the status its page shows once joined: Chromium asks for Japanese, the
// WebKit driver is given English.
struct Chromium {
    static constexpr const char* name = "chromium";
    static constexpr const char* connected = "接続中";
};
struct WebKit {
    static constexpr const char* name = "webkit";
    static constexpr const char* connected = "Connected";
};

// A sound server of the suite's own with one null sink, for the receiver to unmute.
struct SoundServer {
    TemporaryFolder folder;
    std::string address = "unix:" + (folder.path() / "native").string();
    ChildProcess process {
        { { "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-L",
            "module-native-protocol-unix auth-anonymous=1 socket="
                + (folder.path() / "native").string(),
            "-L", "module-null-sink sink_name=kavora_web" },
          { { "HOME", folder.path().string() }, { "XDG_RUNTIME_DIR", folder.path().string() } },
          false,
          (folder.path() / "pulseaudio.log").string() }
    };
};

struct Suite {
    explicit Suite(const char* engine)
        : driver(receiver.scratchPath("driver.log"), engine)
    {
    }
    SoundServer sound;
    ReceiverProcess receiver {
        addViewer, true, ReceiverProcess::Browser::On, { { "PULSE_SERVER", sound.address } }
    };
    std::string address = receiver.ready() ? receiver.webAddress() : std::string();
    X11TestClient probe { receiver.xDisplay() };
    PageDriver driver;
    json joined; // what the phone's page showed after opening the QR code's address
};

template <class Engine> class BrowserControllerTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ensureQtApplication();
        skipReason = PageDriver::missing(Engine::name);
        if (!skipReason.empty())
            return;
        suite = std::make_unique<Suite>(Engine::name);
        if (!suite->address.empty()) {
            suite->probe.recordInput();
            suite->joined = phone({ { "cmd", "open" },
                                    { "url", suite->address },
                                    { "until", "connected" },
                                    { "name", "Pixel 台所" } });
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
        ASSERT_TRUE(ok(suite->joined));
    }

    static json phone(json command) { return suite->driver.command("phone", std::move(command)); }
    // Whether the driver did what it was told; why not, with both programs' logs, when it did not.
    static testing::AssertionResult ok(const json& answer)
    {
        if (answer.value("ok", false))
            return testing::AssertionSuccess();
        return testing::AssertionFailure()
            << errorOf(answer) << suite->driver.log() << suite->receiver.log();
    }
    // The recorded events up to the first that matches, as lines for failure messages.
    static std::vector<Event> eventsUntil(const std::function<bool(const Event&)>& matches)
    {
        return suite->probe.takeUntil(matches, kReplyTimeout);
    }

    static inline std::string skipReason;
    static inline std::unique_ptr<Suite> suite;
};

struct EngineName {
    template <class Engine> static std::string GetName(int /*index*/) { return Engine::name; }
};
using Engines = testing::Types<Chromium, WebKit>;
TYPED_TEST_SUITE(BrowserControllerTest, Engines, EngineName);

// Takes what the client recorded until nothing came for a moment.
void drain(X11TestClient& probe)
{
    while (!probe.takeUntil([](const Event&) { return true; }, 300ms).empty()) { }
}

std::string describe(const std::vector<Event>& events)
{
    std::string lines;
    for (const auto& event : events)
        lines += X11TestClient::describe(event) + "\n";
    return lines;
}

TYPED_TEST(BrowserControllerTest, TheQrAddressJoinsUnderTheGivenNameAndKeepsACredential)
{
    const auto& joined = TestFixture::suite->joined;
    EXPECT_EQ(joined["status"], TypeParam::connected);
    EXPECT_EQ(joined["hash"], "") << "the token stays out of the history";
    ASSERT_TRUE(joined["credential"].is_string()) << joined.dump();
    // Console errors include what the receiver's content policy blocked.
    EXPECT_EQ(joined["errors"], json::array()) << joined.dump();
    const auto settings = json::parse(
        readFile((TestFixture::suite->receiver.home() / ".config/kavora/settings.json").string()));
    EXPECT_EQ(settings["linuxTrustedDevices"][fingerprintOf(joined["credential"])]["name"],
              "Pixel 台所");
}

// Each gesture of gestures.json played on the page, and what reached the desktop: the X events
// it must cause, in order (as X11TestClient::describe words them; with "exact", the only ones
// besides motion), and what a program then prints (the null sink's state).
TYPED_TEST(BrowserControllerTest, EachGestureReachesTheDesktop)
{
    const EnvironmentChanges sound { { "PULSE_SERVER", TestFixture::suite->sound.address },
                                     { "LC_ALL", "C" } };
    const auto rows = json::parse(readFile(KAVORA_SOURCE_DIR "/tests/browser/gestures.json"));
    for (const auto& row : rows) {
        const auto engines = row.value("engines", json::array({ TypeParam::name }));
        if (std::find(engines.begin(), engines.end(), TypeParam::name) == engines.end())
            continue;
        SCOPED_TRACE(row["name"].template get<std::string>());
        drain(TestFixture::suite->probe);
        for (const auto& argv : row.value("before", json::array()))
            run(argv, sound);
        for (const auto& command : row["do"])
            ASSERT_TRUE(TestFixture::ok(TestFixture::phone(command)));
        std::vector<std::string> seen;
        for (const std::string expected : row["expect"]) {
            const auto events = TestFixture::eventsUntil([&](const Event& event) {
                return X11TestClient::describe(event).find(expected) != std::string::npos;
            });
            ASSERT_FALSE(events.empty()) << expected << " after " << testing::PrintToString(seen);
            for (const auto& event : events) {
                if (event.kind != Event::Kind::Motion)
                    seen.push_back(X11TestClient::describe(event));
            }
        }
        if (row.value("exact", false)) {
            EXPECT_EQ(seen.size(), row["expect"].size()) << testing::PrintToString(seen);
        }
        if (row.contains("prints")) {
            EXPECT_TRUE(pollUntil([&] {
                return run(row["prints"][0], sound)
                           .output.find(row["prints"][1].template get<std::string>())
                    != std::string::npos;
            })) << row["prints"].dump();
        }
    }
}

TYPED_TEST(BrowserControllerTest, TypedTextAndReturnReachTheFocusedWindow)
{
    ASSERT_TRUE(TestFixture::ok(TestFixture::phone({ { "cmd", "view" }, { "name", "keyboard" } })));
    ASSERT_TRUE(TestFixture::ok(TestFixture::phone({ { "cmd", "type" }, { "text", "ok" } })));
    std::vector<unsigned long> expected { 'o', 'k', kReturnKeysym };
    if (std::string_view(TypeParam::name) == "chromium") { // WebDriver has no input method
        ASSERT_TRUE(TestFixture::ok(TestFixture::phone(
            { { "cmd", "compose" }, { "steps", { "に", "にほ", "日本" } }, { "commit", "日" } })));
        expected.insert(expected.begin() + 2, kJapaneseDay);
    }
    ASSERT_TRUE(TestFixture::ok(
        TestFixture::phone({ { "cmd", "tapSelector" }, { "selector", ".key[data-key=return]" } })));

    const auto typed = TestFixture::eventsUntil([](const Event& event) {
        return event.kind == Event::Kind::KeyDown && event.keysym == kReturnKeysym;
    });
    std::vector<unsigned long> pressed;
    for (const auto& event : typed) {
        if (event.kind == Event::Kind::KeyDown)
            pressed.push_back(event.keysym);
    }
    EXPECT_EQ(pressed, expected) << describe(typed) << TestFixture::suite->receiver.log();
}

TYPED_TEST(BrowserControllerTest, TheLauncherShowsTheRegisteredAppWithItsIconAndATapLaunchesIt)
{
    auto& rig = *TestFixture::suite;
    const auto launcher = TestFixture::phone({ { "cmd", "launcher" } });
    ASSERT_TRUE(TestFixture::ok(launcher));
    EXPECT_EQ(launcher["apps"], json::parse(R"([{"name":"Example Viewer","icon":true}])"));

    ASSERT_TRUE(
        TestFixture::ok(TestFixture::phone({ { "cmd", "tapApp" }, { "name", "Example Viewer" } })));
    EXPECT_TRUE(pollUntil([&] { return fs::exists(rig.receiver.home() / "viewer.launched"); }))
        << rig.receiver.log();
}

TYPED_TEST(BrowserControllerTest, AReloadRejoinsWithTheCredentialUntilTheDeviceIsRemoved)
{
    auto& rig = *TestFixture::suite;
    const auto rejoined = TestFixture::phone({ { "cmd", "reload" }, { "until", "connected" } });
    ASSERT_TRUE(TestFixture::ok(rejoined));

    const std::string credential = rig.joined["credential"];
    ASSERT_EQ(rig.receiver.devices({ "revoke", fingerprintOf(credential) }), 0)
        << rig.receiver.log();
    // Revoked, the page is disconnected and knocks again with its credential: a reload here
    // would race that knock and, coming after it, ask anew as a browser without a credential.
    const auto refused = TestFixture::phone({ { "cmd", "wait" }, { "until", "sheet" } });
    ASSERT_TRUE(TestFixture::ok(refused));
    EXPECT_EQ(refused["reason"], "unknown-credential") << refused.dump();
    EXPECT_EQ(refused["credential"], nullptr) << "the page forgets a credential that was revoked";
}

// A browser with neither a token nor a credential is the consent prompt's: it shows the code the
// computer shows (printed by the headless receiver) and joins once the person there allows it.
TYPED_TEST(BrowserControllerTest, AnUnknownBrowserShowsTheComputersCodeAndJoinsOnceAllowed)
{
    auto& rig = *TestFixture::suite;
    const auto withoutToken = rig.address.substr(0, rig.address.find('#'));
    const auto waiting = rig.driver.command(
        "stranger", { { "cmd", "open" }, { "url", withoutToken }, { "until", "sheet" } });
    ASSERT_TRUE(TestFixture::ok(waiting));

    std::string request;
    while (auto line = rig.receiver.process().readLine(kReplyTimeout)) {
        request += *line + "\n";
        if (line->find("to allow it, run:") != std::string::npos)
            break;
    }
    const std::regex announced(
        R"(verification code: (\d{3})(\d{3})[\s\S]*devices allow ([0-9a-f]{64}))");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(request, found, announced)) << request << rig.receiver.log();
    EXPECT_EQ(waiting["state"], "pending");
    EXPECT_EQ(waiting["code"], found.str(1) + " " + found.str(2));

    ASSERT_EQ(rig.receiver.devices({ "allow", found.str(3) }), 0);
    const auto joined
        = rig.driver.command("stranger", { { "cmd", "wait" }, { "until", "connected" } });
    ASSERT_TRUE(TestFixture::ok(joined));
    ASSERT_TRUE(joined["credential"].is_string()) << joined.dump();
    EXPECT_EQ(fingerprintOf(joined["credential"]), found.str(3))
        << "the credential the receiver issued is the device it was asked about";
}

} // namespace
} // namespace kavora::test
