// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/TemporaryFolder.h"
#include "support/XvfbServer.h"
#include "support/linux/ChildProcess.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kavora::test {

// Long enough for a program started under the sanitizers on a busy machine (the receiver makes
// its TLS key on its first run).
constexpr std::chrono::milliseconds kStartTimeout { 30'000 };
// Long enough for one exchange over loopback on a busy machine.
constexpr std::chrono::milliseconds kReplyTimeout { 10'000 };

// The kavora program as a user starts it (--headless --advertise), listening on 127.0.0.1 only
// (so nothing is announced on the network), on an Xvfb server of its own, with a home, settings,
// data and runtime folder of its own, and with no session bus or sound server to reach, so that
// it neither touches nor depends on the desktop the tests run on.
class ReceiverProcess {
public:
    // Called with the receiver's home folder (holding .config and .local/share) before the
    // program starts, for settings and applications of the test's own.
    using PrepareHome = std::function<void(const std::filesystem::path& home)>;

    // Whether the receiver serves the browser controller (its setting switched on before it
    // starts).
    enum class Browser { Off, On };

    // With trustControllers, kavora-remote's identity (kept in the same home) is trusted before
    // the receiver starts, as a user who allowed the device once has it; without, every
    // controller is unknown and waits for consent.
    // `desktop` replaces or adds variables, for a receiver on another desktop than its own Xvfb.
    explicit ReceiverProcess(const PrepareHome& prepareHome = {}, bool trustControllers = true,
                             Browser browser = Browser::Off,
                             const EnvironmentChanges& desktop = {});

    // True once the program said which port it listens on.
    bool ready() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    // "127.0.0.1:PORT", as kavora-remote takes it.
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::filesystem::path home() const { return folder_.path() / "home"; }
    const std::string& xDisplay() const { return xvfb_.displayName(); }
    // The receiver's X server, which a test may end and start again.
    XvfbServer& xServer() { return xvfb_; }
    ChildProcess& process() { return process_; }
    // The environment kavora runs in, for the controllers the tests start beside it.
    const EnvironmentChanges& environment() const { return environment_; }
    // A path in the receiver's private folder, for a log file.
    std::string scratchPath(const std::string& name) const
    {
        return (folder_.path() / name).string();
    }
    // The controllers' fingerprint: the identity kavora-remote makes on first use in this home.
    std::string controllerFingerprint() const;
    // Runs `kavora devices ARGUMENTS` in the receiver's environment; its exit status.
    std::optional<int> devices(std::vector<std::string> arguments) const;
    // What the program printed first and wrote on stderr so far, for failure messages.
    std::string log() const;
    // The address with a pairing token that the receiver serving the browser controller printed
    // at its start (what its QR code holds), "https://HOST:PORT/#t=TOKEN"; empty when it printed
    // none within the timeout (each line read counts it anew).
    std::string webAddress(std::chrono::milliseconds timeout = kStartTimeout);

private:
    TemporaryFolder folder_;
    XvfbServer xvfb_ = XvfbServer::restartable();
    EnvironmentChanges environment_;
    ChildProcess process_;
    std::uint16_t port_ = 0;
    std::string banner_;
    std::string printed_; // the lines after the banner read so far
};

// The kavora-remote program joined to a receiver as a controller: each message the test sends
// is one line of its input, each message it prints is one parsed JSON document. It stays in the
// session until its input ends (leave()) or it is killed.
class RemoteController {
public:
    RemoteController(const ReceiverProcess& receiver, const std::string& name);

    pid_t pid() const { return process_.pid(); }
    bool send(const nlohmann::json& message);
    // The next message the receiver sent; nothing when none came within the timeout.
    std::optional<nlohmann::json> nextMessage(std::chrono::milliseconds timeout = kReplyTimeout);
    // The messages received until one whose case is `key` came (included), which the result
    // ends with; the result ends elsewhere when it did not come in time.
    std::vector<nlohmann::json> messagesUntil(const std::string& key);
    // True once the receiver answered a heartbeat: the controller is in the session.
    bool inSession();
    void leave() { process_.closeInput(); }
    std::optional<int> waitForExit() { return process_.waitForExit(kReplyTimeout); }
    // What kavora-remote wrote on stderr.
    std::string errors() const;

private:
    std::string logPath_;
    ChildProcess process_;
};

// The leak check's setting for a desktop program that shows a status icon: Qt's own tray check
// leaks once (qt-tray-leak.supp).
inline std::pair<std::string, std::string> qtTrayLeakSuppression()
{
    return { "LSAN_OPTIONS", "suppressions=" KAVORA_SOURCE_DIR "/tests/e2e/qt-tray-leak.supp" };
}

// The case of a message: the key of its one member.
std::string caseOf(const nlohmann::json& message);

// The first address with a pairing token in a text, "https://HOST:PORT/#t=TOKEN"; empty for none.
std::string pairingAddressIn(const std::string& text);

} // namespace kavora::test
