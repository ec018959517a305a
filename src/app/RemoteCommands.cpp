// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/RemoteCommands.h"

#include "app/KnownReceivers.h"
#include "app/LineFeed.h"
#include "core/Json.h"
#include "platform/linux/peer/AvahiBrowser.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/PeerClient.h"
#include "platform/linux/settings/UserFolders.h"
#include "protocol/MessageCoding.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <nlohmann/json.hpp>

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <tuple>

namespace kavora {

namespace {

constexpr const char* kProgram = "kavora-remote";
constexpr const char* kServiceType = "_kavora-v2._tcp";
constexpr const char* kDefaultName = "kavora-remote";
constexpr double kDefaultBrowseSeconds = 3.0;
// Longest time to wait for the receiver to take the last frames before leaving anyway.
constexpr int kCloseTimeoutMs = 5'000;

// Qt needs its application object for sockets and timers; the commands make one when the
// caller has not.
std::unique_ptr<QCoreApplication> ensureApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return nullptr;
    static int argc = 1;
    static std::string name = "kavora-remote";
    static std::array<char*, 2> argv { name.data(), nullptr };
    return std::make_unique<QCoreApplication>(argc, argv.data());
}

std::optional<double> parseSeconds(const std::string& text)
{
    double value = 0;
    const auto* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || rest != end || !std::isfinite(value) || value < 0 || value > 86400)
        return std::nullopt;
    return value;
}

struct Target {
    std::string host;
    std::uint16_t port = 0;
};

// HOST:PORT, with an IPv6 address in brackets: [fe80::1%eth0]:5000.
std::optional<Target> parseTarget(const std::string& text)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return std::nullopt;
    std::string host = text.substr(0, colon);
    if (host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    unsigned port = 0;
    const auto portText = text.substr(colon + 1);
    const auto [rest, error]
        = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (host.empty() || error != std::errc() || rest != portText.data() + portText.size()
        || port == 0 || port > 65535) {
        return std::nullopt;
    }
    return Target { host, static_cast<std::uint16_t>(port) };
}

struct ConnectArgs {
    Target target;
    std::string name = kDefaultName;
    double waitSeconds = 0;
};

std::optional<ConnectArgs> parseConnectArgs(const std::vector<std::string>& args)
{
    ConnectArgs parsed;
    bool haveTarget = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--name" && hasValue) {
            parsed.name = args[++i];
        } else if (arg == "--wait" && hasValue) {
            auto seconds = parseSeconds(args[++i]);
            if (!seconds)
                return std::nullopt;
            parsed.waitSeconds = *seconds;
        } else if (!haveTarget && !arg.starts_with("-")) {
            auto target = parseTarget(arg);
            if (!target)
                return std::nullopt;
            parsed.target = *target;
            haveTarget = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveTarget)
        return std::nullopt;
    return parsed;
}

std::string_view trimmed(std::string_view line)
{
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
        line.remove_prefix(1);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.remove_suffix(1);
    return line;
}

std::string failureText(PeerClient::Failure failure, const std::string& target,
                        const std::string& description)
{
    switch (failure) {
    case PeerClient::Failure::Unreachable:
        return "cannot connect to " + target + ": " + description;
    case PeerClient::Failure::Tls:
        return "TLS handshake with " + target + " failed: " + description;
    case PeerClient::Failure::Untrusted:
        return description;
    case PeerClient::Failure::Declined:
        return target + " declined the invitation (another controller is connected)";
    case PeerClient::Failure::Protocol:
    case PeerClient::Failure::Timeout:
        break;
    }
    return target + ": " + description;
}

Result<TlsIdentity> loadIdentity()
{
    auto identity = loadOrCreateTlsIdentity(remoteConfigFolder(), kControllerIdentityFiles);
    if (!identity)
        return Error { "cannot make or load its identity in " + remoteConfigFolder().string() + ": "
                       + identity.error() };
    return identity;
}

// One run of `connect`: joins the receiver, then sends each line of the input as a message and
// prints every message that comes back, until the input ends (and the wait after it passes) or
// the receiver leaves. Each step is the answer to one event of the client.
class ConnectSession {
public:
    ConnectSession(const ConnectArgs& args, TlsIdentity identity, std::istream& in,
                   std::ostream& out, std::ostream& err)
        : args_(args)
        , target_(args.target.host + ":" + std::to_string(args.target.port))
        , in_(in)
        , out_(out)
        , err_(err)
        , client_(clientOptions(std::move(identity)))
        , knownReceivers_(remoteConfigFolder() / kKnownReceiversFileName)
    {
        client_.onEncrypted = [this](std::string& refusal) { return checkReceiver(refusal); };
        client_.onPending = [this] { waitForAnswer(); };
        client_.onAccepted = [this] { startSending(); };
        client_.onFailed = [this](PeerClient::Failure failure, const std::string& description) {
            fail(failure, description);
        };
        client_.onPacket = [this](const std::string& packet) { print(packet); };
        client_.onClosed = [this](const std::string& reason) { closed(reason); };
    }

    // The exit status: 0 when the input was sent and the session ended as asked, else 1.
    int run()
    {
        client_.connectToReceiver(QString::fromStdString(args_.target.host), args_.target.port,
                                  args_.name);
        if (!done_)
            loop_.exec();
        feed_.reset();
        return status_;
    }

private:
    static PeerClient::Options clientOptions(TlsIdentity identity)
    {
        PeerClient::Options options;
        options.identity = std::move(identity);
        return options;
    }

    bool checkReceiver(std::string& refusal)
    {
        return knownReceivers_.check(
            args_.target.host, certificateSha256(client_.receiverCertificate()), refusal, err_);
    }

    void waitForAnswer()
    {
        pending_ = true;
        err_ << kProgram << ": verification code " << client_.verificationCode() << '\n'
             << kProgram << ": allow this controller on the receiver (" << target_
             << ") if it shows the same code; waiting for its answer\n"
             << std::flush;
    }

    void startSending()
    {
        err_ << kProgram << ": connected to " << target_ << " as \"" << args_.name
             << "\"; receiver certificate SHA-256 "
             << certificateFingerprint(client_.receiverCertificate()) << '\n';
        feed_ = std::make_unique<LineFeed>(
            in_, &context_, [this](std::optional<std::string> line) { send(std::move(line)); });
    }

    void fail(PeerClient::Failure failure, const std::string& description)
    {
        if (pending_ && failure == PeerClient::Failure::Declined)
            err_ << kProgram << ": " << target_ << " did not allow this controller\n";
        else
            err_ << kProgram << ": " << failureText(failure, target_, description) << '\n';
        status_ = 1;
        finish();
    }

    // A line of the input, or its end.
    void send(std::optional<std::string> line)
    {
        if (leaving_)
            return;
        if (!line) {
            QTimer::singleShot(static_cast<int>(std::lround(args_.waitSeconds * 1000)), &context_,
                               [this] { leave(); });
            return;
        }
        ++lineNumber_;
        const auto text = trimmed(*line);
        if (text.empty())
            return;
        if (auto message = decodeMessage(text); !message) {
            err_ << kProgram << ": line " << lineNumber_ << ": " << message.error() << '\n';
            return;
        }
        client_.send(text);
    }

    void print(const std::string& packet)
    {
        const auto document = parseJson(packet);
        if (document.is_discarded()) {
            err_ << kProgram << ": received " << packet.size() << " bytes that are not JSON\n";
            return;
        }
        out_ << document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n'
             << std::flush;
    }

    void leave()
    {
        if (leaving_)
            return;
        leaving_ = true;
        client_.disconnectFromReceiver();
        QTimer::singleShot(kCloseTimeoutMs, &context_, [this] { finish(); });
    }

    void closed(const std::string& reason)
    {
        if (!leaving_) {
            err_ << kProgram << ": " << target_ << " closed the connection"
                 << (reason.empty() ? "" : ": " + reason) << '\n';
            status_ = 1;
        }
        finish();
    }

    void finish()
    {
        done_ = true; // also when the loop has not started yet
        loop_.quit();
    }

    const ConnectArgs& args_;
    const std::string target_;
    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
    QEventLoop loop_;
    QObject context_;
    PeerClient client_;
    KnownReceivers knownReceivers_;
    std::unique_ptr<LineFeed> feed_;
    bool pending_ = false;
    bool leaving_ = false;
    bool done_ = false;
    int status_ = 0;
    std::size_t lineNumber_ = 0;
};

} // namespace

std::filesystem::path remoteConfigFolder()
{
    return settingsFolder().parent_path() / "kavora-remote";
}

int runIdentity(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (!args.empty()) {
        err << "Usage: " << kProgram << " identity\n";
        return 2;
    }
    const auto application = ensureApplication();
    const auto identity = loadIdentity();
    if (!identity) {
        err << kProgram << ": " << identity.error() << '\n';
        return 1;
    }
    out << certificateSha256(identity.value().certificate) << '\n';
    return 0;
}

int runConnect(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err)
{
    const auto parsed = parseConnectArgs(args);
    if (!parsed) {
        err << "Usage: " << kProgram << " connect HOST:PORT [--name NAME] [--wait SECONDS]\n";
        return 2;
    }
    // Qt's TLS backend, which loads the identity, wants the application object first.
    const auto application = ensureApplication();
    auto identity = loadIdentity();
    if (!identity) {
        err << kProgram << ": " << identity.error() << '\n';
        return 1;
    }
    ConnectSession session(*parsed, std::move(identity).value(), in, out, err);
    return session.run();
}

int runConnect(const std::vector<std::string>& args)
{
    return runConnect(args, std::cin, std::cout, std::cerr);
}

int runBrowse(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    double seconds = kDefaultBrowseSeconds;
    if (args.size() == 2 && args[0] == "--timeout" && parseSeconds(args[1])) {
        seconds = *parseSeconds(args[1]);
    } else if (!args.empty()) {
        err << "Usage: " << kProgram << " browse [--timeout SECONDS]\n";
        return 2;
    }
    const auto application = ensureApplication();

    QEventLoop loop;
    QObject context;
    int status = 0;
    std::set<std::tuple<std::string, std::string, std::uint16_t>> printed;
    AvahiBrowser browser(kServiceType);
    browser.onResolved = [&](const DiscoveredService& service) {
        if (!printed.emplace(service.name, service.address, service.port).second)
            return;
        const nlohmann::json line { { "name", service.name },
                                    { "host", service.hostName },
                                    { "address", service.address },
                                    { "port", service.port },
                                    { "txt", service.txt } };
        out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n'
            << std::flush;
    };
    bool done = false;
    browser.onFailure = [&](const std::string& reason) {
        err << kProgram << ": browsing failed: " << reason << '\n';
        status = 1;
        done = true;
        loop.quit();
    };
    if (auto problem = browser.start()) {
        err << kProgram << ": cannot browse: " << *problem << '\n';
        return 1;
    }
    QTimer::singleShot(static_cast<int>(std::lround(seconds * 1000)), &context,
                       [&loop] { loop.quit(); });
    if (!done)
        loop.exec();
    return status;
}

int runBrowse(const std::vector<std::string>& args)
{
    return runBrowse(args, std::cout, std::cerr);
}

} // namespace kavora
