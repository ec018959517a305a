// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/ControllerRig.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using Lines = std::vector<std::string>;

const PeerID kPhone { 7, "Phone", {}, {} };
const Lines kDefaultIds { "spotlight", "screenshot", "missioncontrol" };

// What the catalogue and the site list do on their own is tested with them; here, how the
// controller wires them to the link, the store and the user interface.
class MacControllerTest : public ::testing::Test, public ControllerRig { };

// What the controller sends for the default selection of top buttons, in its wire form.
const std::string kDefaultButtons
    = nlohmann::ordered_json::parse(
          readFile(KAVORA_SOURCE_DIR "/tests/data/default-system-buttons.json"))
          .dump();

TEST_F(MacControllerTest, StartUpGivesEachOwnerItsListAndStoresItBack)
{
    const std::string spaced = R"([ {"id":"a","url":"a","name":"A","userNamed":true} ])";
    defaults.setStringArray("macRegisteredAppBundleIds", { "org.example.Editor" });
    defaults.setString("macSystemButtonIDs", "copy"); // not a list: the default
    defaults.setData("macFavoriteSites", Bytes(spaced.begin(), spaced.end()));
    start();
    EXPECT_EQ(controller->registeredBundleIds().get(), Lines { "org.example.Editor" });
    EXPECT_EQ(controller->systemButtonIDs().get(), kDefaultIds);
    EXPECT_EQ(defaults.stringArray("macSystemButtonIDs"), kDefaultIds);
    ASSERT_EQ(controller->favoriteSites()->size(), 1u);
    const std::string stored = R"([{"id":"a","url":"a","name":"A","userNamed":true}])";
    EXPECT_EQ(defaults.data("macFavoriteSites"), Bytes(stored.begin(), stored.end()));
    EXPECT_TRUE(defaults.boolValue("kavora.migrated.v1"));
    EXPECT_TRUE(framework.advertiser->lines.empty());
}

TEST_F(MacControllerTest, FirstStartStoresTheDefaultsButNoFavourites)
{
    start();
    EXPECT_EQ(defaults.stringArray("macRegisteredAppBundleIds"), Lines {});
    EXPECT_EQ(defaults.stringArray("macSystemButtonIDs"), kDefaultIds);
    EXPECT_FALSE(defaults.contains("macFavoriteSites"));
}

TEST_F(MacControllerTest, RequestsActionsAndRepliesAreNotInputAndNeedNoTrust)
{
    start(/*trusted=*/false);
    connect();
    for (const auto* message :
         { R"({"heartbeat":{}})", R"({"requestSystemButtons":{}})", R"({"requestAppList":{}})",
           R"({"appList":{"apps":[]}})", // a reply, which a controller has no business sending
           R"({"launchApp":{"bundleId":"org.example.App"}})",
           R"({"activateApp":{"bundleId":"org.example.Other"}})",
           R"({"openURL":{"url":"https://example.com","browserBundleId":"com.google.Chrome"}})" })
        receive(message);
    EXPECT_EQ(sent(),
              (Lines { R"({"heartbeat":{}})", kDefaultButtons, R"({"appList":{"apps":[]}})" }));
    EXPECT_EQ(launcher.lines,
              (Lines { "open -b org.example.App", "open -b org.example.Other",
                       "open -b com.google.Chrome https://example.com" }));
    EXPECT_EQ(controller->debugReceivedCount().get(), 0);
    EXPECT_EQ(controller->debugLastEvent().get(), "—");
}

TEST_F(MacControllerTest, InputIsCountedAndLabelledButInjectedOnlyWhileTrusted)
{
    start(/*trusted=*/false);
    receive(R"({"mouseDelta":{"dx":5,"dy":5}})");
    scheduler.advance(Seconds(0.1));
    EXPECT_EQ(controller->debugReceivedCount().get(), 1);
    EXPECT_EQ(controller->debugLastEvent().get(), "マウス移動");
    EXPECT_TRUE(events.lines().empty());

    accessibility.trusted = true;
    receive(R"({"leftClickDown":{}})");
    EXPECT_TRUE(controller->accessibilityGranted().get());
    EXPECT_EQ(controller->debugReceivedCount().get(), 2);
    EXPECT_EQ(controller->debugLastEvent().get(), "左クリック");
    EXPECT_EQ(events.lines().size(), 1u);
}

TEST(DebugLabel, DependsOnTheCaseOnly)
{
    EXPECT_EQ(debugLabel(msg::DragStart {}), "ドラッグ");
    EXPECT_EQ(debugLabel(msg::DragDelta { 1, 2 }), "ドラッグ");
    EXPECT_EQ(debugLabel(msg::KeyUp {}), "キー入力");
    EXPECT_EQ(debugLabel(msg::RightClickUp {}), "右クリック");
    EXPECT_EQ(debugLabel(msg::MissionControl {}), "Mission Control");
    EXPECT_EQ(debugLabel(msg::RequestFavoriteSites {}), "お気に入り要求");
}

TEST_F(MacControllerTest, TheViewsOfTheConnectionAreTheReceiversAndTheSwitchDrivesIt)
{
    start();
    std::vector<bool> seen;
    auto watching = controller->isConnected().subscribe([&](bool on) { seen.push_back(on); });
    controller->setAdvertising(true);
    EXPECT_TRUE(controller->isAdvertising().get());
    connect();
    EXPECT_EQ(seen, std::vector<bool> { true }); // published once, with no second hop
    EXPECT_EQ(controller->connectedPeerName().get(), "Phone");

    controller->setAdvertising(false);
    EXPECT_FALSE(controller->isAdvertising().get());
    EXPECT_FALSE(controller->isConnected().get());
    EXPECT_EQ(framework.advertiser->lines, (Lines { "start", "stop" }));
}

TEST_F(MacControllerTest, ConnectingPushesTheThreeListsHalfASecondLaterOnce)
{
    start();
    connect();
    framework.session->report(kPhone, PeerState::Connected); // a repeated value
    scheduler.advance(Seconds(0.49));
    EXPECT_EQ(sent(), Lines {});
    scheduler.advance(Seconds(0.01));
    EXPECT_EQ(sent(),
              (Lines { R"({"registeredAppList":{"apps":[]}})", kDefaultButtons,
                       R"({"favoriteSites":{"sites":[]}})" }));
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});
}

TEST_F(MacControllerTest, NoPushAfterADisconnectWithinHalfASecond)
{
    start();
    connect();
    scheduler.advance(Seconds(0.3));
    framework.session->leave(kPhone);
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});
}

TEST_F(MacControllerTest, PollingFindsTrustGrantedLaterAndStopsThere)
{
    start(/*trusted=*/false);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    accessibility.hint = "dialog open";
    scheduler.advance(Seconds(3));
    EXPECT_FALSE(controller->accessibilityGranted().get());
    EXPECT_EQ(controller->accessibilityHint().get(), "dialog open");
    accessibility.trusted = true; // granted in the system settings, without a request
    accessibility.hint.clear();
    scheduler.advance(Seconds(1.5));
    EXPECT_TRUE(controller->accessibilityGranted().get());
    EXPECT_EQ(controller->accessibilityHint().get(), "");
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(MacControllerTrust, LostIsSeenByInputAndPolledForOnlyAfterARecheckOrARequest)
{
    for (const bool request : { false, true }) {
        SCOPED_TRACE(request ? "request" : "recheck");
        ControllerRig rig;
        rig.start();
        rig.accessibility.trusted = false;
        rig.receive(R"({"leftClickDown":{}})");
        EXPECT_FALSE(rig.controller->accessibilityGranted().get());
        EXPECT_TRUE(rig.events.lines().empty());
        EXPECT_EQ(rig.scheduler.pendingCount(), 0u);
        rig.accessibility.hint = "dialog open";
        if (request)
            rig.controller->requestAccessibilityPermission();
        else
            rig.controller->recheckAccessibility();
        EXPECT_EQ(rig.controller->accessibilityHint().get(), "dialog open") << "read at once";
        EXPECT_EQ(rig.accessibility.trustRequests, request ? 1 : 0);
        EXPECT_EQ(rig.scheduler.pendingCount(), 1u);
    }
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
    EXPECT_EQ(controller->systemButtonIDs().get(), (Lines { "spotlight", "missioncontrol" }));
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
    EXPECT_EQ(events.lines(), Lines { "mouse 2 (0,0) button 0 click 1" });
}

// The catalogue's and the site list's part: that requests reach them and that their lists are
// stored on every change and pushed while connected. A registered editor is installed and runs;
// the phone is connected, its first push behind it.
class MacControllerCatalogueTest : public MacControllerTest {
protected:
    void SetUp() override
    {
        workspace.install("org.example.Editor", "Editor", Bytes { 1, 2, 3 });
        workspace.running = { { 10, ActivationPolicy::Regular, "org.example.Editor", "Editor" } };
        defaults.setStringArray("macRegisteredAppBundleIds", { "org.example.Editor" });
        start();
        connect();
        scheduler.advance(Seconds(0.5));
        sent();
    }
};

constexpr const char* kEditorRunning
    = R"({"registeredAppList":{"apps":[{"bundleId":"org.example.Editor","name":"Editor","iconPNG":"AQID","isRunning":true}]}})";
constexpr const char* kExampleByHost
    = R"({"favoriteSites":{"sites":[{"id":"https://example.org","url":"https://example.org","name":"example.org","userNamed":false}]}})";

TEST_F(MacControllerCatalogueTest, CatalogueRequestsAreAnsweredByTheirOwners)
{
    receive(R"({"requestAppList":{}})");
    receive(R"({"requestRegisteredApps":{}})");
    receive(R"({"requestFavoriteSites":{}})");
    EXPECT_EQ(
        sent(),
        (Lines {
            R"({"appList":{"apps":[{"bundleId":"org.example.Editor","name":"Editor","isRunning":false}]}})",
            kEditorRunning, R"({"favoriteSites":{"sites":[]}})" }));
}

TEST_F(MacControllerCatalogueTest, RegisteredChangesAreStoredAndPushedWhileConnected)
{
    controller->addRegisteredApp("org.example.Gone"); // registered, but not installed
    EXPECT_EQ(defaults.stringArray("macRegisteredAppBundleIds"),
              (Lines { "org.example.Editor", "org.example.Gone" }));
    scheduler.advance(Seconds(0.4));
    EXPECT_EQ(sent(), Lines { kEditorRunning });

    // The workspace is followed from start-up on.
    workspace.launch("org.example.Editor");
    scheduler.advance(Seconds(0.4));
    EXPECT_EQ(sent(), Lines { kEditorRunning });
    workspace.launch("org.example.Editor");
    framework.session->leave(kPhone);
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});
}

TEST_F(MacControllerCatalogueTest, FavouriteChangesAndLateTitlesArePushedAtOnce)
{
    controller->addFavoriteSite("example.org", "", std::nullopt);
    EXPECT_EQ(sent(), Lines { kExampleByHost });
    EXPECT_TRUE(defaults.contains("macFavoriteSites"));
    ASSERT_TRUE(http.completeWithBody("https://example.org", "<title>Example</title>"));
    scheduler.runPending();
    const auto late = sent();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_NE(late[0].find(R"("name":"Example")"), std::string::npos) << late[0];

    controller->renameFavoriteSite("https://example.org", "Mine");
    EXPECT_EQ(sent().size(), 2u); // name, then flag
    controller->addFavoriteSite("example.net", "", std::nullopt);
    sent();
    controller->moveFavoriteSite("https://example.org", "https://example.net");
    const auto moved = sent();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_LT(moved[0].find("example.net"), moved[0].find("example.org")) << moved[0];
    controller->removeFavoriteSite("https://example.net");
    controller->removeFavoriteSite("https://example.org");
    EXPECT_EQ(sent().back(), R"({"favoriteSites":{"sites":[]}})");
    EXPECT_EQ(defaults.data("macFavoriteSites"), (Bytes { '[', ']' }));
}

TEST_F(MacControllerCatalogueTest, LateNewsWhileDisconnectedBuildsNothing)
{
    controller->addFavoriteSite("example.org", "", std::nullopt);
    framework.session->leave(kPhone);
    scheduler.runPending();
    ASSERT_TRUE(http.complete("https://example.org", { 0, std::nullopt, "timed out" }));
    ASSERT_TRUE(http.completeWithBody("https://www.google.com/s2/favicons?domain=example.org&sz=64",
                                      "PNG"));
    scheduler.runPending();
    EXPECT_EQ(http.requests.size(), 2u) << "no list is built, so no title is asked for again";
}

TEST_F(MacControllerCatalogueTest, LateNewsAfterTheControllerIsGoneDoesNothing)
{
    controller->addFavoriteSite("example.org", "", std::nullopt);
    sent();
    workspace.launch("org.example.Editor"); // a push is pending
    ASSERT_EQ(http.requests.size(), 2u);
    const auto titleCompletion = http.requests[1].completion;

    controller.reset();
    EXPECT_EQ(workspace.observerCount(), 0u);
    EXPECT_EQ(http.openCount(), 0u); // both fetches were cancelled
    // A completion already under way on another thread still runs.
    const std::string page = "<title>Late</title>";
    titleCompletion({ 200, Bytes(page.begin(), page.end()), std::nullopt });
    scheduler.advance(Seconds(1));
    EXPECT_EQ(sent(), Lines {});
}

} // namespace
} // namespace kavora::test
