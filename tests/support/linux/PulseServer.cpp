#include "support/linux/PulseServer.h"

#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

namespace kavora::test {

PulseServer::PulseServer(const std::string& sinkName)
{
    const auto& session = PrivateSession::instance();
    std::vector<std::string> argv { "pulseaudio",
                                    "-n",
                                    "--daemonize=no",
                                    "--exit-idle-time=-1",
                                    "--disallow-exit=yes",
                                    "--use-pid-file=no",
                                    "-L",
                                    "module-native-protocol-unix" };
    if (!sinkName.empty()) {
        argv.push_back("-L");
        argv.push_back("module-null-sink sink_name=" + sinkName);
    }
    server_ = ChildProcess({ argv, {}, false, (session.root() / "pulseaudio.log").string() });
    ready_ = server_.started() && pollUntil([] {
                 return run({ "pactl", "info" }).exitStatus == 0;
             });
}

PulseServer::~PulseServer() = default;

std::optional<bool> PulseServer::muted(const std::string& sinkName) const
{
    const RunResult result = run({ "pactl", "get-sink-mute", sinkName }, { { "LC_ALL", "C" } });
    if (result.exitStatus != 0)
        return std::nullopt;
    if (result.output.find("Mute: yes") != std::string::npos)
        return true;
    if (result.output.find("Mute: no") != std::string::npos)
        return false;
    return std::nullopt;
}

bool PulseServer::setMuted(const std::string& sinkName, bool muted) const
{
    return run({ "pactl", "set-sink-mute", sinkName, muted ? "1" : "0" }).exitStatus == 0;
}

} // namespace kavora::test
