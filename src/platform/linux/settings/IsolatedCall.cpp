#include "platform/linux/settings/IsolatedCall.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavora {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void runChild(const std::function<std::optional<std::string>()>& work, int out)
{
    std::optional<std::string> output;
    try {
        output = work();
    } catch (...) {
        ::_exit(2);
    }
    if (!output)
        ::_exit(1);
    std::string_view rest = *output;
    while (!rest.empty()) {
        const ssize_t count = ::write(out, rest.data(), rest.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            ::_exit(3);
        rest.remove_prefix(static_cast<std::size_t>(count));
    }
    ::_exit(0);
}

int remainingMs(Clock::time_point deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void killAndReap(pid_t child)
{
    ::kill(child, SIGKILL);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) { }
}

} // namespace

IsolatedOutcome runIsolated(const std::function<std::optional<std::string>()>& work,
                            IsolationLimits limits)
{
    IsolatedOutcome outcome;
    std::array<int, 2> pipeFds {};
    if (::pipe2(pipeFds.data(), O_CLOEXEC) != 0)
        return outcome;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return outcome;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        runChild(work, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    const int in = pipeFds[0];
    const auto deadline = Clock::now() + limits.timeout;

    // Read until the child closes its end (it exits) or a limit is reached.
    for (;;) {
        pollfd entry { in, POLLIN, 0 };
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            ::close(in);
            killAndReap(child);
            outcome.status = IsolatedOutcome::Status::TimedOut;
            outcome.output.clear();
            return outcome;
        }
        std::array<char, 65536> buffer;
        const ssize_t count = ::read(in, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        outcome.output.append(buffer.data(), static_cast<std::size_t>(count));
        if (outcome.output.size() > limits.maxOutput) {
            ::close(in);
            killAndReap(child);
            outcome.status = IsolatedOutcome::Status::OutputTooLarge;
            outcome.output.clear();
            return outcome;
        }
    }
    ::close(in);

    // The pipe closed, so the child is exiting; still never wait past the deadline.
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0 && errno != EINTR) {
            outcome.output.clear();
            outcome.status = IsolatedOutcome::Status::CannotStart;
            return outcome;
        }
        if (remainingMs(deadline) == 0) {
            killAndReap(child);
            outcome.output.clear();
            outcome.status = IsolatedOutcome::Status::TimedOut;
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (WIFSIGNALED(status)) {
        outcome.status = IsolatedOutcome::Status::Crashed;
        outcome.signal = WTERMSIG(status);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        outcome.status = IsolatedOutcome::Status::Finished;
        return outcome;
    } else {
        outcome.status = IsolatedOutcome::Status::Failed;
    }
    outcome.output.clear();
    return outcome;
}

} // namespace kavora
