#include "controller/MacController.h"

#include "input/CGEventInjector.h"
#include "link/MCReceiverMac.h"
#include "platform/HostNames.h"
#include "platform/LegacyPreferences.h"
#include "support/CapturingLog.h"
#include "support/FakeAccessibility.h"
#include "support/FakeHttpClient.h"
#include "support/FakePeerFramework.h"
#include "support/FakeWorkspace.h"
#include "support/InMemoryUserDefaults.h"
#include "support/RecordingAudioControl.h"
#include "support/RecordingEventServices.h"
#include "support/RecordingLaunchServices.h"
#include "support/RecordingPasteboard.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kavora {
namespace {

using Lines = std::vector<std::string>;

class NamedHost final : public HostNames {
public:
    std::string prettyHostName() const override { return "Desk"; }
    std::string hostName() const override { return "desk"; }
};

class NoLegacyPreferences final : public LegacyPreferences {
public:
    std::string homeDirectory() const override { return "/home/nobody"; }
    std::optional<PropertyListDictionary> read(const std::string&) override { return std::nullopt; }
};

const PeerID kPhone { 7, "Phone" };

// The whole logic stack on doubles: link, injector and controller, in virtual time.
class MacControllerTest : public ::testing::Test {
protected:
    void start(bool trusted = true)
    {
        accessibility.trusted = trusted;
        receiver = MCReceiverMac::create(scheduler, framework, defaults, host);
        injector = CGEventInjector::create(
            { scheduler, defaults, events, pasteboard, accessibility, audio, launcher, log });
        controller = MacController::create(
            { scheduler, accessibility, launcher, settings, defaults, workspace, http, log },
            receiver, injector);
        scheduler.runPending();
    }
    void connect()
    {
        framework.session->join(kPhone);
        scheduler.runPending();
    }
    void receive(std::string_view json)
    {
        framework.session->receive(json, kPhone);
        scheduler.runPending();
    }
    // The messages sent to the phone since the last call.
    Lines sent()
    {
        Lines messages;
        for (const auto& line : std::exchange(framework.session->lines, {})) {
            const std::string prefix = "send ";
            const std::string suffix = " to Phone";
            if (line.starts_with(prefix) && line.ends_with(suffix))
                messages.push_back(
                    line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()));
        }
        return messages;
    }

    test::VirtualScheduler scheduler;
    test::InMemoryUserDefaults defaults;
    test::FakePeerFramework framework;
    NamedHost host;
    test::RecordingEventServices events;
    test::RecordingPasteboard pasteboard;
    test::FakeAccessibility accessibility;
    test::RecordingAudioControl audio;
    test::RecordingLaunchServices launcher;
    test::FakeWorkspace workspace;
    test::FakeHttpClient http;
    test::CapturingLog log;
    NoLegacyPreferences legacy;
    SettingsStore settings { defaults, legacy, log };
    std::shared_ptr<MCReceiverMac> receiver;
    std::shared_ptr<CGEventInjector> injector;
    std::shared_ptr<MacController> controller;
};

constexpr const char* kDefaultButtons
    = R"({"systemButtons":{"buttons":[{"id":"spotlight","label":"Spotlight","sfSymbol":"magnifyingglass.circle","colorHex":"AF52DE","action":{"shortcut":{"modifier":8,"keyCode":44}}},{"id":"screenshot","label":"Screen Shot","sfSymbol":"camera.viewfinder","colorHex":"AF52DE","action":{"shortcut":{"modifier":10,"keyCode":33}}},{"id":"missioncontrol","label":"Mission Control","sfSymbol":"rectangle.grid.2x2","colorHex":"AF52DE","action":{"missionControl":{}}}]}})";

TEST_F(MacControllerTest, StartUpStoresTheLoadedListsAndLeavesAdvertisingOff)
{
    start();
    EXPECT_EQ(defaults.stringArray("macRegisteredAppBundleIds"), Lines {});
    EXPECT_EQ(defaults.stringArray("macSystemButtonIDs"),
              (Lines { "spotlight", "screenshot", "missioncontrol" }));
    EXPECT_FALSE(defaults.contains("macFavoriteSites"));
    EXPECT_TRUE(defaults.boolValue("kavora.migrated.v1"));
    EXPECT_TRUE(framework.advertiser->lines.empty());
    EXPECT_FALSE(*controller->isAdvertising);
}

TEST_F(MacControllerTest, RequestsAreAnsweredAndLeaveTheDebugFieldsAlone)
{
    start();
    connect();
    receive(R"({"heartbeat":{}})");
    receive(R"({"requestSystemButtons":{}})");
    receive(R"({"requestAppList":{}})");
    EXPECT_EQ(sent(),
              (Lines { R"({"heartbeat":{}})", kDefaultButtons, R"({"appList":{"apps":[]}})" }));
    EXPECT_EQ(*controller->debugReceivedCount, 0);
    EXPECT_EQ(*controller->debugLastEvent, "—");
}

TEST_F(MacControllerTest, LaunchesAndUrlsDoNotNeedTrust)
{
    start(/*trusted=*/false);
    receive(R"({"launchApp":{"bundleId":"org.example.App"}})");
    receive(R"({"activateApp":{"bundleId":"org.example.Other"}})");
    receive(R"({"openURL":{"url":"https://example.com","browserBundleId":"com.google.Chrome"}})");
    EXPECT_EQ(launcher.lines,
              (Lines { "open -b org.example.App", "open -b org.example.Other",
                       "open -b com.google.Chrome https://example.com" }));
    EXPECT_EQ(*controller->debugReceivedCount, 0);
}

TEST_F(MacControllerTest, InputIsCountedAndLabelledButInjectedOnlyWhileTrusted)
{
    start(/*trusted=*/false);
    receive(R"({"mouseDelta":{"dx":5,"dy":5}})");
    scheduler.advance(Seconds(0.1));
    EXPECT_EQ(*controller->debugReceivedCount, 1);
    EXPECT_EQ(*controller->debugLastEvent, "マウス移動");
    EXPECT_TRUE(events.posted().empty());

    accessibility.trusted = true;
    receive(R"({"leftClickDown":{}})");
    EXPECT_TRUE(*controller->accessibilityGranted);
    EXPECT_EQ(*controller->debugReceivedCount, 2);
    EXPECT_EQ(*controller->debugLastEvent, "左クリック");
    EXPECT_EQ(events.mouseEvents().size(), 1u);
}

TEST_F(MacControllerTest, DebugLabelsDependOnTheCaseOnly)
{
    EXPECT_EQ(debugLabel(msg::DragStart {}), "ドラッグ");
    EXPECT_EQ(debugLabel(msg::DragDelta { 1, 2 }), "ドラッグ");
    EXPECT_EQ(debugLabel(msg::KeyUp {}), "キー入力");
    EXPECT_EQ(debugLabel(msg::RightClickUp {}), "右クリック");
    EXPECT_EQ(debugLabel(msg::MissionControl {}), "Mission Control");
    EXPECT_EQ(debugLabel(msg::RequestFavoriteSites {}), "お気に入り要求");
}

TEST_F(MacControllerTest, ConnectingPushesTheThreeListsHalfASecondLater)
{
    start();
    connect();
    scheduler.advance(Seconds(0.49));
    EXPECT_EQ(sent(), Lines {});
    scheduler.advance(Seconds(0.01));
    EXPECT_EQ(sent(),
              (Lines { R"({"registeredAppList":{"apps":[]}})", kDefaultButtons,
                       R"({"favoriteSites":{"sites":[]}})" }));
}

TEST_F(MacControllerTest, NoPushAfterADisconnectWithinHalfASecond)
{
    start();
    connect();
    scheduler.advance(Seconds(0.3));
    framework.session->leave(kPhone);
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});
    EXPECT_FALSE(*controller->isConnected);
}

TEST_F(MacControllerTest, RepeatedConnectedValuesPushOnce)
{
    start();
    connect();
    receiver->isConnected = true;
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent().size(), 3u);
}

TEST_F(MacControllerTest, PollingRunsOnlyUntilTrustIsFound)
{
    start(/*trusted=*/true);
    EXPECT_FALSE(controller->isPollingAccessibility());

    accessibility.trusted = false;
    controller->recheckAccessibility();
    EXPECT_TRUE(controller->isPollingAccessibility());
    scheduler.advance(Seconds(3));
    EXPECT_TRUE(controller->isPollingAccessibility());
    accessibility.trusted = true;
    scheduler.advance(Seconds(1.5));
    EXPECT_TRUE(*controller->accessibilityGranted);
    EXPECT_FALSE(controller->isPollingAccessibility());
}

TEST_F(MacControllerTest, TogglingAButtonStoresAndPushesWhileConnected)
{
    start();
    connect();
    scheduler.advance(Seconds(1));
    sent();
    controller->toggleSystemButton("copy"); // a fourth: ignored
    EXPECT_EQ(sent(), Lines {});
    controller->toggleSystemButton("screenshot");
    EXPECT_EQ(defaults.stringArray("macSystemButtonIDs"),
              (Lines { "spotlight", "missioncontrol" }));
    ASSERT_EQ(sent().size(), 1u);
}

TEST_F(MacControllerTest, AControllerLeavingMidDragLeavesNoButtonPressed)
{
    start();
    connect();
    receive(R"({"dragStart":{}})");
    events.clear();
    framework.session->leave(kPhone);
    scheduler.runPending();
    ASSERT_EQ(events.mouseEvents().size(), 1u);
    EXPECT_EQ(events.mouseEvents()[0].type, MouseEventType::LeftMouseUp);
    EXPECT_FALSE(injector->isDragging());
}

// The catalogue's part: a registered editor that is installed and runs, a viewer that runs but
// is not registered, and the phone connected with its first push behind it.
class MacControllerCatalogueTest : public MacControllerTest {
protected:
    void SetUp() override
    {
        workspace.install("org.example.Editor", "Editor", Bytes { 1, 2, 3 });
        workspace.running = {
            { 10, ActivationPolicy::Regular, "org.example.Editor", "Editor" },
            { 11, ActivationPolicy::Accessory, "org.example.Helper", "Helper" },
            { 12, ActivationPolicy::Regular, "org.example.Viewer", "Viewer" },
        };
        workspace.runningIcons[12] = Bytes { 4, 5, 6 };
        defaults.setStringArray("macRegisteredAppBundleIds", { "org.example.Editor" });
        start();
        connect();
        scheduler.advance(Seconds(0.5));
        sent();
    }
};

constexpr const char* kEditorRunning
    = R"({"registeredAppList":{"apps":[{"bundleId":"org.example.Editor","name":"Editor","iconPNG":"AQID","isRunning":true}]}})";
constexpr const char* kExampleIcon = "https://www.google.com/s2/favicons?domain=example.org&sz=64";

TEST_F(MacControllerCatalogueTest, CatalogueMessagesAreAnsweredFromTheDesktopAndTheSites)
{
    controller->addFavoriteSite("https://example.org", "", std::nullopt);
    sent();
    receive(R"({"requestAppList":{}})");
    receive(R"({"requestRegisteredApps":{}})");
    receive(R"({"requestFavoriteSites":{}})");
    EXPECT_EQ(
        sent(),
        (Lines {
            R"({"appList":{"apps":[{"bundleId":"org.example.Editor","name":"Editor","isRunning":false},{"bundleId":"org.example.Viewer","name":"Viewer","iconPNG":"BAUG","isRunning":false}]}})",
            kEditorRunning,
            R"({"favoriteSites":{"sites":[{"id":"https://example.org","url":"https://example.org","name":"example.org","userNamed":false}]}})" }));

    receive(R"({"launchApp":{"bundleId":"org.example.Viewer"}})");
    receive(R"({"openURL":{"url":"https://example.org","browserBundleId":""}})");
    EXPECT_EQ(launcher.lines, (Lines { "open -b org.example.Viewer", "open https://example.org" }));
}

TEST_F(MacControllerCatalogueTest, RegisteredLaunchesArePushedAfterFourTenthsOfQuiet)
{
    workspace.launch("org.example.Viewer"); // not registered
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});

    workspace.launch("org.example.Editor");
    scheduler.advance(Seconds(0.15));
    workspace.terminate("org.example.Editor");
    scheduler.advance(Seconds(0.15));
    workspace.launch("org.example.Editor");
    scheduler.advance(Seconds(0.39));
    EXPECT_EQ(sent(), Lines {});
    scheduler.advance(Seconds(0.01));
    EXPECT_EQ(sent(), Lines { kEditorRunning });
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});
}

TEST_F(MacControllerCatalogueTest, EditsStoreAndPushTheRegisteredListOnce)
{
    workspace.install("org.example.Viewer", "Viewer", Bytes { 7, 8, 9 });
    controller->addRegisteredApp("org.example.Viewer");
    controller->moveRegisteredApp("org.example.Viewer", "org.example.Editor");
    EXPECT_EQ(defaults.stringArray("macRegisteredAppBundleIds"),
              (Lines { "org.example.Viewer", "org.example.Editor" }));
    scheduler.advance(Seconds(0.4));
    EXPECT_EQ(
        sent(),
        Lines {
            R"({"registeredAppList":{"apps":[{"bundleId":"org.example.Viewer","name":"Viewer","iconPNG":"BwgJ","isRunning":true},{"bundleId":"org.example.Editor","name":"Editor","iconPNG":"AQID","isRunning":true}]}})" });

    controller->removeRegisteredApp("org.example.Viewer");
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines { kEditorRunning });
}

TEST_F(MacControllerCatalogueTest, NoRegisteredPushWhenDisconnectedAtTheEndOfTheQuiet)
{
    workspace.install("org.example.Viewer", "Viewer", Bytes { 7, 8, 9 });
    controller->addRegisteredApp("org.example.Viewer");
    scheduler.advance(Seconds(0.2));
    framework.session->leave(kPhone);
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});
    // The list was not even built: the new application's icon was never rendered.
    EXPECT_EQ(std::count(workspace.iconRequests.begin(), workspace.iconRequests.end(),
                         "file /apps/org.example.Viewer.desktop"),
              0);
    EXPECT_EQ(defaults.stringArray("macRegisteredAppBundleIds"),
              (Lines { "org.example.Editor", "org.example.Viewer" }));
}

TEST_F(MacControllerCatalogueTest, FavouriteEditsAndLateTitlesArePushed)
{
    controller->addFavoriteSite("example.org", "", std::nullopt);
    EXPECT_EQ(
        sent(),
        Lines {
            R"({"favoriteSites":{"sites":[{"id":"https://example.org","url":"https://example.org","name":"example.org","userNamed":false}]}})" });
    EXPECT_TRUE(defaults.contains("macFavoriteSites"));
    EXPECT_EQ(http.urls(), (Lines { kExampleIcon, "https://example.org" }));

    ASSERT_TRUE(http.completeWithBody("https://example.org", "<title>Example</title>"));
    EXPECT_EQ(sent(), Lines {}); // only once the main queue runs
    scheduler.runPending();
    EXPECT_EQ(
        sent(),
        Lines {
            R"({"favoriteSites":{"sites":[{"id":"https://example.org","url":"https://example.org","name":"Example","userNamed":false}]}})" });

    controller->renameFavoriteSite("https://example.org", "Mine");
    const auto renamed = sent();
    ASSERT_FALSE(renamed.empty());
    EXPECT_NE(renamed.back().find(R"("name":"Mine","userNamed":true)"), std::string::npos);
}

TEST_F(MacControllerCatalogueTest, LateNewsAfterTheControllerIsGoneDoesNothing)
{
    controller->addFavoriteSite("example.org", "", std::nullopt);
    sent();
    workspace.launch("org.example.Editor"); // a push is pending
    ASSERT_EQ(http.requests.size(), 2u);
    const auto titleCompletion = http.requests[1].completion;
    ASSERT_EQ(workspace.observerCount(), 2u);

    controller.reset();
    EXPECT_EQ(workspace.observerCount(), 0u);
    EXPECT_EQ(http.openCount(), 0u); // both fetches were cancelled
    // A completion already under way on another thread still runs.
    const std::string page = "<title>Late</title>";
    titleCompletion({ 200, Bytes(page.begin(), page.end()), std::nullopt });
    workspace.launch("org.example.Editor");
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});
}

} // namespace
} // namespace kavora
