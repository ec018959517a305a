#pragma once

#include "support/linux/ChildProcess.h"

#include <optional>
#include <string>

namespace kavora::test {

// A PulseAudio server of the test's own on the private session's runtime folder (its socket is
// $XDG_RUNTIME_DIR/pulse/native, where clients of this process look first), with one null sink
// or none. Stopped when the object goes.
class PulseServer {
public:
    // An empty sink name starts a server without any sink.
    explicit PulseServer(const std::string& sinkName);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // True once the server answers (checked with pactl).
    bool ready() const { return ready_; }
    pid_t pid() const { return server_.pid(); }
    // The sink's mute state as pactl reads it; nothing when it cannot be read.
    std::optional<bool> muted(const std::string& sinkName) const;
    bool setMuted(const std::string& sinkName, bool muted) const;

private:
    ChildProcess server_;
    bool ready_ = false;
};

} // namespace kavora::test
