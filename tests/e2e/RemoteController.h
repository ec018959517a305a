#pragma once

#include "ReceiverProcess.h"
#include "support/linux/ChildProcess.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace kavora::test {

// The kavora-remote program joined to a receiver as a controller: each message the test sends
// is one line of its input, each message it prints is one parsed JSON document. It stays in the
// session until its input ends (leave()) or it is killed.
class RemoteController {
public:
    RemoteController(const ReceiverProcess& receiver, const std::string& name);

    bool started() const { return process_.started(); }
    pid_t pid() const { return process_.pid(); }
    bool send(const nlohmann::json& message);
    // The next message the receiver sent; nothing when none came within the timeout.
    std::optional<nlohmann::json> nextMessage(std::chrono::milliseconds timeout = kReplyTimeout);
    // The messages received until one whose case is `key` came (included), which the result
    // ends with; the result ends elsewhere when it did not come in time.
    std::vector<nlohmann::json> messagesUntil(const std::string& key);
    // True once the receiver answered a heartbeat: the controller is in the session.
    bool inSession();
    // Ends the input, so that kavora-remote leaves the session in order.
    void leave() { process_.closeInput(); }
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = kReplyTimeout)
    {
        return process_.waitForExit(timeout);
    }
    // What kavora-remote wrote on stderr.
    std::string errors() const { return readText(logPath_); }

private:
    std::string logPath_;
    ChildProcess process_;
};

// The case of a message: the key of its one member.
std::string caseOf(const nlohmann::json& message);

} // namespace kavora::test
