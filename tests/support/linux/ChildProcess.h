// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/types.h>

class QProcess;

namespace kavora::test {

// The Python that runs the tests' helper scripts (python3-dbusmock, AT-SPI, GTK clients).
inline const std::string kPython = "/usr/bin/python3";

// Variables set (or replaced) in a child's environment on top of this process's own.
using EnvironmentChanges = std::vector<std::pair<std::string, std::string>>;

// A program started for a test (a QProcess). It is stopped (SIGTERM, then SIGKILL) when the object
// goes, and the kernel sends it SIGTERM should this process die first, so a failing or crashing
// test leaves nothing running. Waiting runs the Qt event loop, because the child may be talking
// to this process (reading its clipboard, calling it over D-Bus); without an application object
// it polls the process instead.
class ChildProcess {
public:
    struct Options {
        std::vector<std::string> argv; // argv[0] is looked up in PATH
        EnvironmentChanges environment;
        bool captureOutput = false; // stdout into a pipe, for readLine()
        std::string log; // stderr and stdout, unless captured, appended here; empty: inherited
        bool feedInput = false; // stdin from writeInput(), until closeInput(); else inherited
        bool captureErrors = false; // stderr into a pipe, for unreadErrors()
    };

    ChildProcess();
    // Starts the program; started() tells whether that worked.
    explicit ChildProcess(Options options);
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;

    bool started() const { return process_ != nullptr; }
    pid_t pid() const;
    bool running();

    // The next line the program writes to stdout, without its newline; nothing when it ends
    // or the timeout passes first.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    // Waits for the program to exit: its exit status (128 + signal when killed), or nothing when
    // it is still running at the timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    // Everything read from stdout so far and not yet returned by readLine().
    std::string unreadOutput() const { return buffer_; }
    // Everything read from stderr so far (Options::captureErrors).
    std::string unreadErrors() const { return errors_; }
    // Writes to the program's stdin (Options::feedInput), waiting until it is taken; false once
    // the program is gone.
    bool writeInput(std::string_view text);
    // Ends the program's stdin: it reads end of file.
    void closeInput();
    void stop();

private:
    // Takes what the program wrote; true once it has ended.
    bool collect(std::chrono::milliseconds wait);

    std::unique_ptr<QProcess> process_;
    std::string buffer_;
    std::string errors_;
    bool readsOutput_ = false;
    bool readsErrors_ = false;
    std::optional<int> status_;
};

struct RunResult {
    std::optional<int> exitStatus; // nothing: killed at the timeout
    std::string output;
    std::string errors;
};

// Where the program is found on PATH (or the name itself when it holds a slash and can be run);
// empty when it is not installed.
std::string findProgram(const std::string& name);
// Those of the programs that are not installed, as "not installed: a b"; empty when all are. A
// test that needs them skips with this as its reason.
std::string missingPrograms(std::initializer_list<std::string> names);

// Runs a program to completion with input on its stdin (killing it at the timeout), and collects
// its stdout and stderr.
RunResult run(std::vector<std::string> argv, EnvironmentChanges environment = {},
              std::chrono::milliseconds timeout = std::chrono::seconds(10),
              const std::string& input = {});

} // namespace kavora::test
