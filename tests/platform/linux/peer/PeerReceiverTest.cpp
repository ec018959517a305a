#include "support/linux/PeerTestSupport.h"

#include "link/MCReceiverMac.h"
#include "platform/HostNames.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/peer/PeerClient.h"
#include "platform/linux/system/QtScheduler.h"
#include "protocol/MessageCoding.h"
#include "support/CapturingLog.h"
#include "support/InMemoryUserDefaults.h"

#include <QTcpSocket>

#include <filesystem>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

class NamedComputer final : public HostNames {
public:
    std::string prettyHostName() const override { return "Test Desk"; }
    std::string hostName() const override { return "test-desk"; }
};

// The receiver's link as the application wires it: MCReceiverMac over the Linux framework, on
// the Qt event loop, listening on 127.0.0.1 only.
class PeerReceiverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        PeerLinkOptions options;
        options.listenAddress = QHostAddress::LocalHost;
        options.limits = shortLimits();
        options.configFolder = folder.path() / "kavora";
        options.publishDnsSd = false;
        framework = std::make_unique<LinuxPeerFramework>(options, log);
        receiver = MCReceiverMac::create(scheduler, *framework, defaults, computer);
        receiver->onMessage = [this](const ControlMessage& message) {
            messages.push_back(encodeMessage(message).value());
        };
        receiver->onSessionEnded = [this] { ++sessionsEnded; };
        receiver->startAdvertising();
        port = framework->serverPort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override
    {
        receiver.reset();
        framework.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    bool join(PeerClient& client, const std::string& name)
    {
        return joinAsController(client, port, name);
    }

    TemporaryFolder folder;
    CapturingLog log;
    QtScheduler scheduler;
    InMemoryUserDefaults defaults;
    NamedComputer computer;
    std::unique_ptr<LinuxPeerFramework> framework;
    std::shared_ptr<MCReceiverMac> receiver;
    std::uint16_t port = 0;
    Lines messages;
    int sessionsEnded = 0;
};

TEST_F(PeerReceiverTest, IdentityIsMadeInTheConfigFolder)
{
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "kavora" / kCertificateFileName));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "kavora" / kPrivateKeyFileName));
    EXPECT_EQ(framework->certificateFingerprint().size(), 32U * 3 - 1);
    EXPECT_TRUE(log.lines.empty()) << "nothing to report when all is well";
}

TEST_F(PeerReceiverTest, ConnectedControllerIsPublishedAndItsMessagesDelivered)
{
    PeerClient client;
    ASSERT_TRUE(join(client, "Kenji's Pad"));
    ASSERT_TRUE(waitUntil([&] { return receiver->isConnected().get(); }));
    EXPECT_EQ(receiver->connectedPeerName().get(), "Kenji's Pad");

    client.send(R"({"mouseDelta":{"dx":3,"dy":-2}})");
    client.send(R"({"heartbeat":{}})");
    ASSERT_TRUE(waitUntil([&] { return messages.size() == 2; }));
    EXPECT_EQ(messages[1], R"({"heartbeat":{}})");
}

TEST_F(PeerReceiverTest, UndecodableFrameIsDroppedAndTheSessionStaysUp)
{
    PeerClient client;
    std::string closed = "open";
    client.onClosed = [&](const std::string& reason) { closed = reason; };
    ASSERT_TRUE(join(client, "Pad"));

    client.send("this is not JSON");
    client.send(R"({"noSuchMessage":{}})");
    client.send(R"({"heartbeat":{}})");
    ASSERT_TRUE(waitUntil([&] { return !messages.empty(); }));
    runFor(100ms);
    EXPECT_EQ(messages, (Lines { R"({"heartbeat":{}})" }));
    EXPECT_TRUE(receiver->isConnected().get());
    EXPECT_EQ(closed, "open");
    EXPECT_EQ(sessionsEnded, 0);
}

TEST_F(PeerReceiverTest, RepliesReachTheController)
{
    PeerClient client;
    Lines received;
    client.onPacket = [&](std::string packet) { received.push_back(packet); };
    ASSERT_TRUE(join(client, "Pad"));
    EXPECT_EQ(certificateFingerprint(client.receiverCertificate()),
              framework->certificateFingerprint());
    receiver->send(msg::LaunchApp { "org.gnome.Calculator" });
    ASSERT_TRUE(waitUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received, (Lines { R"({"launchApp":{"bundleId":"org.gnome.Calculator"}})" }));
}

TEST_F(PeerReceiverTest, ControllerLeavingEndsTheSessionAndFreesTheSlot)
{
    {
        PeerClient client;
        ASSERT_TRUE(join(client, "Pad"));
        ASSERT_TRUE(waitUntil([&] { return receiver->isConnected().get(); }));
        PeerClient second;
        EXPECT_FALSE(join(second, "Other Pad"));
    } // the client goes away without a word
    ASSERT_TRUE(waitUntil([&] { return !receiver->isConnected().get(); }));
    EXPECT_FALSE(receiver->connectedPeerName().get().has_value());
    EXPECT_EQ(sessionsEnded, 1);

    PeerClient next;
    EXPECT_TRUE(join(next, "Other Pad"));
}

TEST_F(PeerReceiverTest, StopAdvertisingEndsTheSessionAndRefusesConnections)
{
    PeerClient client;
    std::string closed = "open";
    client.onClosed = [&](const std::string& reason) { closed = reason; };
    ASSERT_TRUE(join(client, "Pad"));
    ASSERT_TRUE(waitUntil([&] { return receiver->isConnected().get(); }));

    receiver->stopAdvertising();
    EXPECT_FALSE(receiver->isConnected().get());
    EXPECT_EQ(framework->serverPort(), 0);
    ASSERT_TRUE(waitUntil([&] { return closed != "open"; }));
    ASSERT_TRUE(waitUntil([&] { return sessionsEnded == 1; }));

    QTcpSocket refused;
    bool error = false;
    QObject::connect(&refused, &QTcpSocket::errorOccurred, [&] { error = true; });
    refused.connectToHost(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(waitUntil([&] { return error; }, 1s));
    EXPECT_EQ(refused.error(), QAbstractSocket::ConnectionRefusedError);
    runFor(100ms);
    EXPECT_EQ(framework->serverPort(), 0) << "the disconnect must not re-arm advertising";

    receiver->startAdvertising();
    PeerClient again;
    EXPECT_TRUE(join(again, "Pad"));
}

} // namespace
} // namespace kavora::test
