#include "support/linux/PeerTestSupport.h"

#include "app/RemoteCommands.h"
#include "platform/linux/peer/AvahiPublisher.h"
#include "platform/linux/peer/LinuxPeerAdvertiser.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/peer/PeerClient.h"
#include "support/CapturingLog.h"
#include "support/linux/ChildProcess.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace kavora::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Everything of one test process lives under this folder. libdbus reads the system bus address
// only once per process, so this process always talks to "bus A" at a path fixed for it; each
// test starts a bus there (and maybe an Avahi daemon on it) and stops it again.
fs::path scratch()
{
    return fs::temp_directory_path() / ("kavora-avahi-" + std::to_string(::getpid()));
}
std::string busAddress(char host)
{
    return "unix:path=" + (scratch() / (std::string("bus") + host + ".sock")).string();
}
EnvironmentChanges onBus(char host)
{
    return { { "DBUS_SYSTEM_BUS_ADDRESS", busAddress(host) } };
}
std::string netns(char host)
{
    return std::string("kav") + host + "-" + std::to_string(::getpid());
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path) << text;
}

// A private system bus, and on request an Avahi daemon on a link of two network namespaces
// (A: 169.254.77.1, B: 169.254.77.2), each namespace with a bus and a daemon of its own. This
// process publishes and browses through A; the avahi tools play the other host through B.
class PrivateAvahi {
public:
    PrivateAvahi()
    {
        fs::create_directories(scratch());
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", busAddress('A').c_str(), 1);
    }
    ~PrivateAvahi()
    {
        daemons_.clear();
        buses_.clear();
        for (const char host : { 'A', 'B' }) {
            if (linked_)
                run({ "ip", "netns", "del", netns(host) }, {}, 5s);
        }
        std::error_code ignored;
        fs::remove_all(scratch(), ignored);
    }

    // The bus of host A or B; false when dbus-daemon does not run.
    bool startBus(char host)
    {
        const auto config = scratch() / (std::string("bus") + host + ".conf");
        writeFile(config,
                  "<busconfig><type>system</type><listen>" + busAddress(host)
                      + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                        "<allow user=\"*\"/><allow own=\"*\"/>"
                        "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                        "</policy></busconfig>");
        buses_.emplace_back(ChildProcess::Options {
            { "dbus-daemon", "--config-file=" + config.string(), "--nofork", "--nopidfile" },
            {},
            false,
            (scratch() / "dbus.log").string() });
        return buses_.back().started() && waitUntil([&] {
                   return fs::exists(scratch() / (std::string("bus") + host + ".sock"));
               });
    }

    // The two namespaces and their link; the reason when they cannot be made.
    std::optional<std::string> link()
    {
        const auto added = run({ "ip", "netns", "add", netns('A') }, {}, 5s);
        if (added.exitStatus != 0)
            return "ip netns is not permitted here (it needs root)";
        run({ "ip", "netns", "add", netns('B') }, {}, 5s);
        linked_ = true;
        const std::vector<std::vector<std::string>> commands {
            { "ip", "link", "add", "vethA", "netns", netns('A'), "type", "veth", "peer", "name",
              "vethB", "netns", netns('B') },
            { "ip", "-n", netns('A'), "addr", "add", "169.254.77.1/16", "dev", "vethA" },
            { "ip", "-n", netns('B'), "addr", "add", "169.254.77.2/16", "dev", "vethB" },
            { "ip", "-n", netns('A'), "link", "set", "vethA", "up" },
            { "ip", "-n", netns('B'), "link", "set", "vethB", "up" },
        };
        for (const auto& command : commands) {
            if (run(command, {}, 5s).exitStatus != 0)
                return "cannot set up the namespaces' link";
        }
        return std::nullopt;
    }

    // An Avahi daemon for host A or B in its namespace, on its bus; true once it runs.
    bool startDaemon(char host)
    {
        const auto config = scratch() / (std::string("avahi") + host + ".conf");
        writeFile(config,
                  std::string("[server]\nhost-name=kavora-test-") + host
                      + "\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=veth" + host
                      + "\nenable-dbus=yes\n[publish]\npublish-hinfo=no\n"
                        "publish-workstation=no\n");
        // A /run of its own, so that each daemon has its own pid file.
        const std::string script = "mount -t tmpfs tmpfs /run && mkdir -p /run/avahi-daemon && "
                                   "exec avahi-daemon -f "
            + config.string() + " --no-drop-root --no-chroot --no-rlimits";
        daemons_.emplace_back(ChildProcess::Options {
            { "ip", "netns", "exec", netns(host), "unshare", "-m", "sh", "-c", script },
            onBus(host),
            false,
            (scratch() / (std::string("avahi") + host + ".log")).string() });
        return daemons_.back().started() && waitUntil([&] { return daemonRuns(host); }, 10s);
    }

    static bool daemonRuns(char host)
    {
        const auto state
            = run({ "dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.Avahi", "/",
                    "org.freedesktop.Avahi.Server.GetState" },
                  onBus(host), 2s);
        return state.output.find("int32 2") != std::string::npos; // AVAHI_SERVER_RUNNING
    }

    // avahi-browse's resolved lines for the type as host sees it.
    static std::vector<std::string> browse(char host)
    {
        const auto result = run({ "avahi-browse", "-rtp", "_kavora-v2._tcp" }, onBus(host), 8s);
        std::vector<std::string> resolved;
        std::istringstream lines(result.output);
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("="))
                resolved.push_back(line);
        }
        return resolved;
    }

    // host publishes a service with the avahi tools until the object goes.
    void publishFrom(char host, const std::vector<std::string>& arguments)
    {
        std::vector<std::string> argv { "avahi-publish", "-s" };
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        daemons_.emplace_back(ChildProcess::Options { argv, onBus(host), false,
                                                      (scratch() / "publish.log").string() });
    }

private:
    std::vector<ChildProcess> buses_;
    std::vector<ChildProcess> daemons_;
    bool linked_ = false;
};

bool anyLineHas(const std::vector<std::string>& lines, const std::vector<std::string>& parts)
{
    for (const auto& line : lines) {
        bool all = true;
        for (const auto& part : parts)
            all = all && line.find(part) != std::string::npos;
        if (all)
            return true;
    }
    return false;
}

class PeerAvahiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        if (!avahi.startBus('A'))
            GTEST_SKIP() << "dbus-daemon is not available";
    }
    void TearDown() override
    {
        advertisers.clear();
        sessions.clear();
        frameworks.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Needs root; skips the test otherwise.
    void startNetwork()
    {
        if (auto problem = avahi.link())
            GTEST_SKIP() << *problem;
        ASSERT_TRUE(avahi.startBus('B'));
        ASSERT_TRUE(avahi.startDaemon('A')) << "avahi-daemon did not start in namespace A";
        ASSERT_TRUE(avahi.startDaemon('B')) << "avahi-daemon did not start in namespace B";
    }

    LinuxPeerAdvertiser& advertise(const std::string& name)
    {
        PeerLinkOptions options;
        options.listenAddress = QHostAddress::LocalHost;
        options.limits = shortLimits();
        options.configFolder = folder.path() / "kavora";
        frameworks.push_back(std::make_unique<LinuxPeerFramework>(options, log));
        sessions.push_back(frameworks.back()->makeSession(name));
        advertisers.push_back(frameworks.back()->makeAdvertiser(
            name, { { "app", "KavoraMac" }, { "deviceID", "DEV-1234" } }, "kavora-v2",
            *sessions.back()));
        auto& advertiser = dynamic_cast<LinuxPeerAdvertiser&>(*advertisers.back());
        advertiser.setInvitationHandler([](const PeerID&) { return true; });
        advertiser.startAdvertisingPeer();
        return advertiser;
    }

    std::size_t unavailableLines() const
    {
        return std::count_if(log.lines.begin(), log.lines.end(), [](const std::string& line) {
            return line.find("DNS-SD is unavailable") != std::string::npos;
        });
    }

    PrivateAvahi avahi;
    TemporaryFolder folder;
    CapturingLog log;
    std::vector<std::unique_ptr<LinuxPeerFramework>> frameworks;
    std::vector<std::unique_ptr<PeerSession>> sessions;
    std::vector<std::unique_ptr<PeerAdvertiser>> advertisers;
};

TEST_F(PeerAvahiTest, WithoutDaemonItSaysSoOnceAndStillAcceptsControllers)
{
    auto& advertiser = advertise("Test Desk-Mac");
    ASSERT_TRUE(waitUntil([&] { return unavailableLines() > 0; }));
    advertiser.stopAdvertisingPeer();
    advertiser.startAdvertisingPeer();
    advertiser.startAdvertisingPeer();
    runFor(200ms);
    EXPECT_EQ(unavailableLines(), 1U) << testing::PrintToString(log.lines);
    EXPECT_NE(log.lines.front().find("port " + std::to_string(advertiser.serverPort())),
              std::string::npos)
        << log.lines.front();

    PeerClient client;
    bool accepted = false;
    client.onAccepted = [&] { accepted = true; };
    client.connectToReceiver(QStringLiteral("127.0.0.1"), advertiser.serverPort(), "Pad");
    EXPECT_TRUE(waitUntil([&] { return accepted; }));
}

TEST_F(PeerAvahiTest, PublishesOnceTheDaemonAppears)
{
    auto& advertiser = advertise("Late Desk-Mac");
    ASSERT_TRUE(waitUntil([&] { return unavailableLines() == 1; }));
    startNetwork();
    EXPECT_TRUE(waitUntil([&] { return advertiser.publishedName() == "Late Desk-Mac"; }, 10s));
}

TEST_F(PeerAvahiTest, PublishesTheServiceWithItsTxtEntries)
{
    startNetwork();
    auto& advertiser = advertise("Test Desk-Mac");
    ASSERT_TRUE(waitUntil([&] { return advertiser.publishedName() == "Test Desk-Mac"; }, 10s));
    const std::vector<std::string> expected { "=;", "Test\\032Desk-Mac;_kavora-v2._tcp;local;",
                                              "169.254.77.1;"
                                                  + std::to_string(advertiser.serverPort()) + ";",
                                              "\"app=KavoraMac\"", "\"deviceID=DEV-1234\"" };
    std::vector<std::string> seen;
    EXPECT_TRUE(waitUntil(
        [&] {
            seen = PrivateAvahi::browse('B');
            return anyLineHas(seen, expected);
        },
        20s))
        << testing::PrintToString(seen);
    EXPECT_EQ(unavailableLines(), 0U);

    advertiser.stopAdvertisingPeer();
    EXPECT_TRUE(waitUntil([&] { return PrivateAvahi::browse('B').empty(); }, 20s))
        << "stopping withdraws the service";
}

TEST_F(PeerAvahiTest, NameTakenOnTheNetworkIsReplacedByTheNextOne)
{
    startNetwork();
    avahi.publishFrom('B', { "Test Desk-Mac", "_kavora-v2._tcp", "50505", "app=Other" });
    ASSERT_TRUE(waitUntil(
        [&] { return anyLineHas(PrivateAvahi::browse('A'), { "Test\\032Desk-Mac" }); }, 20s));

    auto& advertiser = advertise("Test Desk-Mac");
    EXPECT_TRUE(waitUntil([&] { return advertiser.publishedName() == "Test Desk-Mac #2"; }, 15s))
        << advertiser.publishedName();
}

TEST_F(PeerAvahiTest, NameTakenOnThisHostIsReplacedByTheNextOne)
{
    startNetwork();
    auto& first = advertise("Twin-Mac");
    ASSERT_TRUE(waitUntil([&] { return first.publishedName() == "Twin-Mac"; }, 10s));
    auto& second = advertise("Twin-Mac");
    EXPECT_TRUE(waitUntil([&] { return second.publishedName() == "Twin-Mac #2"; }, 10s))
        << second.publishedName();
    EXPECT_EQ(first.publishedName(), "Twin-Mac");
}

TEST_F(PeerAvahiTest, BrowseListsTheReceiversOfTheNetwork)
{
    startNetwork();
    avahi.publishFrom(
        'B', { "Other Desk-Mac", "_kavora-v2._tcp", "50505", "app=KavoraMac", "deviceID=DEV-9" });
    ASSERT_TRUE(waitUntil([&] { return !PrivateAvahi::browse('A').empty(); }, 20s));

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runBrowse({ "--timeout", "3" }, out, err), 0) << err.str();
    std::istringstream lines(out.str());
    bool found = false;
    for (std::string line; std::getline(lines, line);) {
        const auto entry = nlohmann::json::parse(line, nullptr, false);
        ASSERT_TRUE(entry.is_object()) << line;
        if (entry.value("name", "") != "Other Desk-Mac")
            continue;
        found = true;
        EXPECT_EQ(entry.value("port", 0), 50505);
        EXPECT_EQ(entry.value("address", ""), "169.254.77.2");
        EXPECT_EQ(entry.value("host", ""), "kavora-test-B.local");
        EXPECT_EQ(entry["txt"],
                  (nlohmann::json { { "app", "KavoraMac" }, { "deviceID", "DEV-9" } }));
    }
    EXPECT_TRUE(found) << out.str();
}

TEST_F(PeerAvahiTest, BrowseWithoutDaemonFails)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runBrowse({ "--timeout", "1" }, out, err), 1);
    EXPECT_NE(err.str().find("cannot browse"), std::string::npos) << err.str();
}

} // namespace
} // namespace kavora::test
