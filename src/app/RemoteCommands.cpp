#include "app/RemoteCommands.h"

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
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include <sys/stat.h>

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

// Reads the input's lines on a thread of its own (a terminal or pipe blocks) and hands each to
// the event loop's thread in order; the end of the input arrives as std::nullopt.
class LineFeed {
public:
    using Sink = std::function<void(std::optional<std::string> line)>;

    LineFeed(std::istream& in, QObject* receiver, Sink sink)
        : state_(std::make_shared<State>())
    {
        state_->receiver = receiver;
        thread_ = std::thread([state = state_, &in, sink = std::move(sink)] {
            std::string line;
            bool more = true;
            while (more) {
                more = static_cast<bool>(std::getline(in, line));
                std::optional<std::string> item;
                if (more)
                    item = line;
                std::lock_guard lock(state->mutex);
                if (state->receiver == nullptr)
                    return;
                QMetaObject::invokeMethod(
                    state->receiver, [sink, item] { sink(item); }, Qt::QueuedConnection);
                state->finished = !more;
            }
        });
    }
    ~LineFeed()
    {
        bool finished = false;
        {
            std::lock_guard lock(state_->mutex);
            state_->receiver = nullptr;
            finished = state_->finished;
        }
        // A reader still blocked on a terminal is left behind; the process is about to end.
        if (finished)
            thread_.join();
        else
            thread_.detach();
    }

private:
    struct State {
        std::mutex mutex;
        QObject* receiver = nullptr;
        bool finished = false;
    };
    std::shared_ptr<State> state_;
    std::thread thread_;
};

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

// The receivers met before, by the host they were reached at: their fingerprints.
class KnownReceivers {
public:
    explicit KnownReceivers(std::filesystem::path file)
        : file_(std::move(file))
    {
    }

    // Whether the receiver at host may be trusted with this fingerprint: yes when it is the one
    // remembered, or when none is and it could be remembered now. refusal says why not.
    bool check(const std::string& host, const std::string& fingerprint, std::string& refusal,
               std::ostream& err)
    {
        std::error_code error;
        nlohmann::json known = nlohmann::json::object();
        if (std::filesystem::exists(file_, error)) {
            std::ifstream in(file_);
            std::stringstream text;
            text << in.rdbuf();
            known = nlohmann::json::parse(text.str(), nullptr, false);
            if (!in || !known.is_object()) {
                refusal = "cannot read the known receivers in " + file_.string()
                    + "; remove the file to meet every receiver anew";
                return false;
            }
        }
        const auto found = known.find(host);
        if (found != known.end()) {
            if (found->is_string() && found->get<std::string>() == fingerprint)
                return true;
            refusal = "the certificate of " + host + " has changed: SHA-256 " + fingerprint
                + " where " + (found->is_string() ? found->get<std::string>() : "another")
                + " was remembered. This may be another computer posing as the receiver;"
                  " refusing to connect. If the receiver was reinstalled, remove \""
                + host + "\" from " + file_.string();
            return false;
        }
        known[host] = fingerprint;
        if (auto problem = writeFileAtomically(file_, known.dump(2) + "\n", S_IRUSR | S_IWUSR)) {
            refusal = "cannot remember the receiver's certificate: " + *problem;
            return false;
        }
        err << kProgram << ": first connection to " << host
            << "; its certificate is remembered: SHA-256 " << fingerprint << '\n';
        return true;
    }

private:
    std::filesystem::path file_;
};

Result<TlsIdentity> loadIdentity()
{
    auto identity = loadOrCreateTlsIdentity(remoteConfigFolder(), kControllerIdentityFiles);
    if (!identity)
        return Error { "cannot make or load its identity in " + remoteConfigFolder().string() + ": "
                       + identity.error() };
    return identity;
}

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
    const auto target = parsed->target.host + ":" + std::to_string(parsed->target.port);

    QEventLoop loop;
    QObject context;
    PeerClient::Options options;
    options.identity = std::move(identity).value();
    PeerClient client(options);
    KnownReceivers knownReceivers(remoteConfigFolder() / kKnownReceiversFileName);
    bool pending = false;
    std::unique_ptr<LineFeed> feed;
    int status = 0;
    bool leaving = false;
    bool done = false; // set before the loop may have started
    std::size_t lineNumber = 0;
    const auto finish = [&] {
        done = true;
        loop.quit();
    };

    const auto leave = [&] {
        if (leaving)
            return;
        leaving = true;
        client.disconnectFromReceiver();
        QTimer::singleShot(kCloseTimeoutMs, &context, finish);
    };
    const auto takeLine = [&](std::optional<std::string> line) {
        if (leaving)
            return;
        if (!line) {
            QTimer::singleShot(static_cast<int>(std::lround(parsed->waitSeconds * 1000)), &context,
                               leave);
            return;
        }
        ++lineNumber;
        const auto text = trimmed(*line);
        if (text.empty())
            return;
        if (auto message = decodeMessage(text); !message) {
            err << kProgram << ": line " << lineNumber << ": " << message.error() << '\n';
            return;
        }
        client.send(text);
    };

    client.onEncrypted = [&](std::string& refusal) {
        return knownReceivers.check(parsed->target.host,
                                    certificateSha256(client.receiverCertificate()), refusal, err);
    };
    client.onPending = [&] {
        pending = true;
        err << kProgram << ": verification code " << client.verificationCode() << '\n'
            << kProgram << ": allow this controller on the receiver (" << target
            << ") if it shows the same code; waiting for its answer\n"
            << std::flush;
    };
    client.onFailed = [&](PeerClient::Failure failure, const std::string& description) {
        if (pending && failure == PeerClient::Failure::Declined) {
            err << kProgram << ": " << target << " did not allow this controller\n";
        } else {
            err << kProgram << ": " << failureText(failure, target, description) << '\n';
        }
        status = 1;
        finish();
    };
    client.onAccepted = [&] {
        err << kProgram << ": connected to " << target << " as \"" << parsed->name
            << "\"; receiver certificate SHA-256 "
            << certificateFingerprint(client.receiverCertificate()) << '\n';
        feed = std::make_unique<LineFeed>(in, &context, takeLine);
    };
    client.onPacket = [&](const std::string& packet) {
        const auto document = parseJson(packet);
        if (document.is_discarded()) {
            err << kProgram << ": received " << packet.size() << " bytes that are not JSON\n";
            return;
        }
        out << document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n'
            << std::flush;
    };
    client.onClosed = [&](const std::string& reason) {
        if (!leaving) {
            err << kProgram << ": " << target << " closed the connection"
                << (reason.empty() ? "" : ": " + reason) << '\n';
            status = 1;
        }
        finish();
    };

    client.connectToReceiver(QString::fromStdString(parsed->target.host), parsed->target.port,
                             parsed->name);
    if (!done)
        loop.exec();
    feed.reset();
    return status;
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
