#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace kavora {

struct IsolationLimits {
    std::chrono::milliseconds timeout { 5000 };
    std::size_t maxOutput = std::size_t { 16 } * 1024 * 1024;
};

struct IsolatedOutcome {
    enum class Status {
        Finished, // the work returned its output
        Failed, // the work returned nothing
        Crashed, // the child was ended by a signal (an abort, a segmentation fault ...)
        TimedOut, // the child was killed at the deadline
        OutputTooLarge, // the child was killed when its output passed the limit
        CannotStart, // no pipe or no child process
    };
    Status status = Status::CannotStart;
    std::string output; // only with Finished
    int signal = 0; // only with Crashed
};

// Runs work in a forked child process, so that an abort, a crash or a hang inside a library that
// reads untrusted files cannot take the receiver down. The work runs in a copy of this process
// and must not touch shared state (windows, sockets, other threads' locks); its output travels
// back over a pipe. Blocks the caller until the child ends or the deadline passes.
IsolatedOutcome runIsolated(const std::function<std::optional<std::string>()>& work,
                            IsolationLimits limits = {});

} // namespace kavora
