#pragma once

#include "support/linux/ChildProcess.h"

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
    };

    XvfbServer()
        : XvfbServer(Options {})
    {
    }
    explicit XvfbServer(const Options& options)
    {
        std::vector<std::string> argv { "Xvfb",         "-displayfd", "1",   "-screen", "0",
                                        options.screen, "-nolisten",  "tcp", "-noreset" };
        argv.insert(argv.end(), options.extraArguments.begin(), options.extraArguments.end());
        server_ = ChildProcess({ argv, {}, true, "/dev/null" });
        const auto number = server_.readLine(kStartTimeout);
        if (number && !number->empty())
            displayName_ = ":" + *number;
        else
            server_.stop();
    }

    bool running() const { return !displayName_.empty() && server_.started(); }
    // ":N", empty when the server did not start.
    const std::string& displayName() const { return displayName_; }
    // Ends the server now (a test may want it gone before the end).
    void stop() { server_.stop(); }

    // Runs an X client program (xrandr, setxkbmap ...) on this display to its end; true when it
    // exits with status 0.
    bool runClient(const std::vector<std::string>& argv) const
    {
        return run(argv, { { "DISPLAY", displayName_ } }).exitStatus == 0;
    }

private:
    static constexpr std::chrono::seconds kStartTimeout { 15 };

    ChildProcess server_;
    std::string displayName_;
};

} // namespace kavora::test
