// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

struct IsolationLimits {
    std::chrono::milliseconds timeout { 5000 };
    std::size_t maxOutput = std::size_t { 16 } * 1024 * 1024;
};

struct IsolatedOutcome {
    enum class Status {
        Finished, // the program exited with status 0
        Failed, // the program exited with another status
        Crashed, // the program was ended by a signal (an abort, a segmentation fault ...)
        TimedOut, // the program was killed at the deadline
        OutputTooLarge, // the program was killed when its output passed the limit
        CannotStart, // no pipe, no process, or no such program
    };
    Status status = Status::CannotStart;
    std::string output; // only with Finished
    int signal = 0; // only with Crashed
};

// Runs a program in a process of its own, so that an abort, a crash or a hang inside a library
// that reads untrusted files cannot take the receiver down. The program starts afresh
// (posix_spawn, not a copy of this threaded process) with the signals at their defaults and no
// descriptor of ours but three: input on its standard input, a pipe for its standard output, and
// /dev/null for its standard error. Blocks the caller until the program ends or the deadline
// passes.
IsolatedOutcome runIsolated(const std::string& program, const std::vector<std::string>& arguments,
                            std::string_view input, IsolationLimits limits = {});

} // namespace kavora
