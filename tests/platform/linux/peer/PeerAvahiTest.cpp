// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/PeerTestSupport.h"

#include "app/RemoteCommands.h"
#include "support/CapturingLog.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kavora::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Everything of one test process lives under this folder. libdbus reads the system bus address
// only once per process, so this process always talks to the bus of host A at a path fixed for
// it; each test starts a bus there (and maybe an Avahi daemon on it) and stops it again.
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

// A private system bus for host A, and on request two hosts on a link of two network namespaces
// (A: 169.254.77.1, B: 169.254.77.2), each with a bus and an Avahi daemon of its own. This
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
        children_.clear();
        network_.reset();
        std::error_code ignored;
        fs::remove_all(scratch(), ignored);
    }

    // The bus of host A or B; false when dbus-daemon does not run.
    bool startBus(char host)
    {
        start({ "dbus-daemon",
                "--config-file=" KAVORA_SOURCE_DIR "/tests/support/linux/SystemBus.conf",
                "--address=" + busAddress(host), "--nofork", "--nopidfile" },
              {});
        return children_.back().started() && pollUntil([&] {
                   return fs::exists(scratch() / (std::string("bus") + host + ".sock"));
               });
    }

    // The two hosts with their daemons; the reason when they cannot be had.
    std::optional<std::string> startNetwork()
    {
        network_.emplace('A', 'B', "169.254.77");
        if (network_->problem())
            return network_->problem();
        if (!startBus('B'))
            return "dbus-daemon did not start for host B";
        for (const char host : { 'A', 'B' }) {
            if (!startDaemon(host))
                return std::string("avahi-daemon did not start for host ") + host;
        }
        return std::nullopt;
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
    void publishFrom(char host, std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), { "avahi-publish", "-s" });
        start(std::move(arguments), onBus(host));
    }

private:
    void start(std::vector<std::string> argv, EnvironmentChanges environment)
    {
        children_.emplace_back(ChildProcess::Options { std::move(argv), std::move(environment),
                                                       false, (scratch() / "tools.log").string() });
    }

    bool startDaemon(char host)
    {
        const auto config = scratch() / (std::string("avahi") + host + ".conf");
        std::ofstream(config) << "[server]\nhost-name=kavora-test-" << host
                              << "\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=veth" << host
                              << "\nenable-dbus=yes\n[publish]\npublish-hinfo=no\n"
                                 "publish-workstation=no\n";
        // A /run of its own, so that each daemon has its own pid file.
        const std::string script = "mount -t tmpfs tmpfs /run && mkdir -p /run/avahi-daemon && "
                                   "exec avahi-daemon -f "
            + config.string() + " --no-drop-root --no-chroot --no-rlimits";
        start({ "ip", "netns", "exec", LinkedNamespaces::name(host), "unshare", "-m", "sh", "-c",
                script },
              onBus(host));
        return children_.back().started() && pollUntil([&] { return daemonRuns(host); }, 10s);
    }

    static bool daemonRuns(char host)
    {
        const auto state
            = run({ "dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.Avahi", "/",
                    "org.freedesktop.Avahi.Server.GetState" },
                  onBus(host), 2s);
        return state.output.find("int32 2") != std::string::npos; // AVAHI_SERVER_RUNNING
    }

    std::optional<LinkedNamespaces> network_;
    std::vector<ChildProcess> children_; // newest last, stopped before the network goes
};

bool anyLineHas(const std::vector<std::string>& lines, const std::vector<std::string>& parts)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return std::all_of(parts.begin(), parts.end(), [&](const std::string& part) {
            return line.find(part) != std::string::npos;
        });
    });
}

class PeerAvahiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        if (const auto missing = missingPrograms({ "dbus-daemon" }); !missing.empty())
            GTEST_SKIP() << missing;
        ASSERT_TRUE(avahi.startBus('A')) << "the private system bus did not start";
    }
    void TearDown() override
    {
        advertisers.clear();
        sessions.clear();
        frameworks.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
        advertiser.setInvitationHandler([](const PeerID&) { return InvitationDecision::Accept; });
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

TEST_F(PeerAvahiTest, WithoutDaemonItSaysSoOnceAcceptsControllersAndPublishesOnceItComes)
{
    auto& advertiser = advertise("Late Desk-Mac");
    ASSERT_TRUE(pollUntil([&] { return unavailableLines() > 0; }));
    advertiser.stopAdvertisingPeer();
    advertiser.startAdvertisingPeer();
    advertiser.startAdvertisingPeer();
    runFor(200ms);
    EXPECT_EQ(unavailableLines(), 1U) << testing::PrintToString(log.lines);
    EXPECT_NE(log.lines.front().find("port " + std::to_string(advertiser.serverPort())),
              std::string::npos)
        << log.lines.front();
    RawPeer controller;
    EXPECT_TRUE(controller.join(advertiser.serverPort(), "Pad"));

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runBrowse({ "--timeout", "1" }, out, err), 1);
    EXPECT_NE(err.str().find("cannot browse"), std::string::npos) << err.str();

    if (auto problem = avahi.startNetwork())
        GTEST_SKIP() << *problem;
    EXPECT_TRUE(pollUntil([&] { return advertiser.publishedName() == "Late Desk-Mac"; }, 10s));
}

TEST_F(PeerAvahiTest, PublishesWithTxtEntriesRenamesATwinAndWithdrawsOnStop)
{
    if (auto problem = avahi.startNetwork())
        GTEST_SKIP() << *problem;
    auto& advertiser = advertise("Test Desk-Mac");
    ASSERT_TRUE(pollUntil([&] { return advertiser.publishedName() == "Test Desk-Mac"; }, 10s));
    const auto port = std::to_string(advertiser.serverPort());
    // clang-format off
    const std::vector<std::string> expected { "=;", "Test\\032Desk-Mac;_kavora-v2._tcp;local;", "169.254.77.1;" + port + ";",
                                              "\"app=KavoraMac\"", "\"deviceID=DEV-1234\"" };
    // clang-format on
    std::vector<std::string> seen;
    EXPECT_TRUE(pollUntil(
        [&] {
            seen = PrivateAvahi::browse('B');
            return anyLineHas(seen, expected);
        },
        20s))
        << testing::PrintToString(seen);
    EXPECT_EQ(unavailableLines(), 0U);

    // A second receiver of the same name on this host.
    auto& twin = advertise("Test Desk-Mac");
    EXPECT_TRUE(pollUntil([&] { return twin.publishedName() == "Test Desk-Mac #2"; }, 10s))
        << twin.publishedName();
    EXPECT_EQ(advertiser.publishedName(), "Test Desk-Mac");

    advertiser.stopAdvertisingPeer();
    twin.stopAdvertisingPeer();
    EXPECT_TRUE(pollUntil([&] { return PrivateAvahi::browse('B').empty(); }, 20s))
        << "stopping withdraws the service";
}

TEST_F(PeerAvahiTest, BrowseListsTheNetworksReceiversWhoseNameIsThenTaken)
{
    if (auto problem = avahi.startNetwork())
        GTEST_SKIP() << *problem;
    avahi.publishFrom(
        'B', { "Other Desk-Mac", "_kavora-v2._tcp", "50505", "app=KavoraMac", "deviceID=DEV-9" });
    ASSERT_TRUE(pollUntil([&] { return !PrivateAvahi::browse('A').empty(); }, 20s));

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runBrowse({ "--timeout", "3" }, out, err), 0) << err.str();
    nlohmann::json other;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        const auto entry = nlohmann::json::parse(line, nullptr, false);
        ASSERT_TRUE(entry.is_object()) << line;
        if (entry.value("name", "") == "Other Desk-Mac")
            other = entry;
    }
    // clang-format off
    EXPECT_EQ(other, (nlohmann::json { { "name", "Other Desk-Mac" }, { "host", "kavora-test-B.local" }, { "address", "169.254.77.2" },
                                       { "port", 50505 }, { "txt", { { "app", "KavoraMac" }, { "deviceID", "DEV-9" } } } }))
        << out.str();
    // clang-format on

    // The name another host holds is not taken from it.
    auto& advertiser = advertise("Other Desk-Mac");
    EXPECT_TRUE(pollUntil([&] { return advertiser.publishedName() == "Other Desk-Mac #2"; }, 15s))
        << advertiser.publishedName();
}

} // namespace
} // namespace kavora::test
