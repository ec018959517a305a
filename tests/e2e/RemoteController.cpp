#include "RemoteController.h"

namespace kavora::test {

namespace {

// kavora-remote leaves at the end of its input after this wait; the tests end it sooner.
constexpr const char* kLingerSeconds = "0";

} // namespace

RemoteController::RemoteController(const ReceiverProcess& receiver, const std::string& name)
    : logPath_(receiver.scratchPath("remote-" + name + ".log"))
    , process_({ { KAVORA_REMOTE_PROGRAM, "connect", receiver.address(), "--name", name, "--wait",
                   kLingerSeconds },
                 receiver.environment(),
                 true,
                 logPath_,
                 true })
{
}

bool RemoteController::send(const nlohmann::json& message)
{
    return process_.writeInput(message.dump() + "\n");
}

std::optional<nlohmann::json> RemoteController::nextMessage(std::chrono::milliseconds timeout)
{
    const auto line = process_.readLine(timeout);
    if (!line)
        return std::nullopt;
    auto message = nlohmann::json::parse(*line, nullptr, false);
    if (message.is_discarded())
        return nlohmann::json { { "notJson", *line } };
    return message;
}

std::vector<nlohmann::json> RemoteController::messagesUntil(const std::string& key)
{
    std::vector<nlohmann::json> messages;
    while (auto message = nextMessage()) {
        messages.push_back(*message);
        if (caseOf(*message) == key)
            break;
    }
    return messages;
}

bool RemoteController::inSession()
{
    if (!send({ { "heartbeat", nlohmann::json::object() } }))
        return false;
    const auto messages = messagesUntil("heartbeat");
    return !messages.empty() && caseOf(messages.back()) == "heartbeat";
}

std::string caseOf(const nlohmann::json& message)
{
    return message.is_object() && message.size() == 1 ? message.begin().key() : std::string();
}

} // namespace kavora::test
