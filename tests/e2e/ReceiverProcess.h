#pragma once

#include "support/TemporaryFolder.h"
#include "support/XvfbServer.h"
#include "support/linux/ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace kavora::test {

// The kavora program as a user starts it (--headless --advertise), listening on 127.0.0.1 only
// (so nothing is announced on the network), on an Xvfb server of its own, with a home, settings,
// data and runtime folder of its own, and with no session bus or sound server to reach, so that
// it neither touches nor depends on the desktop the tests run on.
class ReceiverProcess {
public:
    // Called with the receiver's home folder (holding .config and .local/share) before the
    // program starts, for settings and applications of the test's own.
    using PrepareHome = std::function<void(const std::filesystem::path& home)>;

    explicit ReceiverProcess(const PrepareHome& prepareHome = {});

    // True once the program said which port it listens on.
    bool ready() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    // "127.0.0.1:PORT", as kavora-remote takes it.
    std::string address() const;
    // What the program printed when it started.
    const std::string& banner() const { return banner_; }
    const std::string& xDisplay() const { return xvfb_.displayName(); }
    ChildProcess& process() { return process_; }
    // The environment kavora runs in, for the controllers the tests start beside it.
    const EnvironmentChanges& environment() const { return environment_; }
    // A fresh path in the receiver's private folder, for a log file.
    std::string scratchPath(const std::string& name) const;
    // What the program wrote on stderr so far, for failure messages.
    std::string log() const;

private:
    TemporaryFolder folder_;
    XvfbServer xvfb_;
    EnvironmentChanges environment_;
    ChildProcess process_;
    std::uint16_t port_ = 0;
    std::string banner_;
};

// Reads a text file whole; empty when it cannot be read.
std::string readText(const std::string& path);

// Long enough for a program started under the sanitizers on a busy machine (the receiver makes
// its TLS key on its first run).
constexpr std::chrono::milliseconds kStartTimeout { 30'000 };
// Long enough for one exchange over loopback on a busy machine.
constexpr std::chrono::milliseconds kReplyTimeout { 10'000 };

} // namespace kavora::test
