// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/linux/ChildProcess.h"

#include <random>
#include <string>
#include <vector>

namespace kavora::test {

// An Xvfb server of the caller's own. The server picks a free display number itself
// (-displayfd) and prints it once it accepts connections, so parallel runs never collide; it is
// stopped and reaped with the object, whatever the outcome of the test.
class XvfbServer {
public:
    struct Options {
        std::string screen = "1920x1080x24";
        std::vector<std::string> extraArguments;
        // For restart(): a display number from high up, which the servers that others start
        // meanwhile (taking the lowest free number) leave free while this one is down.
        bool restartable = false;
    };

    XvfbServer()
        : XvfbServer(Options {})
    {
    }
    explicit XvfbServer(const Options& options)
        : options_(options)
    {
        start("");
    }

    // A server made for restart() (Options::restartable).
    static XvfbServer restartable()
    {
        Options options;
        options.restartable = true;
        return XvfbServer(options);
    }

    bool running() const { return !displayName_.empty() && server_.started(); }
    // ":N", empty when the server did not start.
    const std::string& displayName() const { return displayName_; }
    // Ends the server now (a test may want it gone before the end).
    void stop() { server_.stop(); }
    // Starts a server again on the same display number, as a display manager restarts one that
    // ended; true once it accepts connections.
    bool restart()
    {
        server_.stop();
        start(displayName_);
        return running();
    }

    // Runs an X client program (xrandr, setxkbmap ...) on this display to its end; true when it
    // exits with status 0.
    bool runClient(const std::vector<std::string>& argv) const
    {
        return run(argv, { { "DISPLAY", displayName_ } }).exitStatus == 0;
    }

private:
    static constexpr std::chrono::seconds kStartTimeout { 15 };

    // On the given display (":N"), or on a free one when it is empty.
    void start(const std::string& display)
    {
        if (!display.empty() || !options_.restartable) {
            launch(display);
            return;
        }
        std::mt19937 random { std::random_device {}() };
        std::uniform_int_distribution<int> number { 400, 999 };
        // A taken display ends at once.
        for (int attempt = 0; attempt < 10 && displayName_.empty(); ++attempt)
            launch(std::string(":").append(std::to_string(number(random))));
    }

    void launch(const std::string& display)
    {
        std::vector<std::string> argv { "Xvfb",          "-displayfd", "1",   "-screen", "0",
                                        options_.screen, "-nolisten",  "tcp", "-noreset" };
        if (!display.empty())
            argv.insert(argv.begin() + 1, display);
        argv.insert(argv.end(), options_.extraArguments.begin(), options_.extraArguments.end());
        server_ = ChildProcess({ argv, {}, true, "/dev/null" });
        displayName_.clear();
        const auto number = server_.readLine(kStartTimeout);
        if (number && !number->empty())
            displayName_ = ":" + *number;
        else
            server_.stop();
    }

    Options options_;

    ChildProcess server_;
    std::string displayName_;
};

} // namespace kavora::test
