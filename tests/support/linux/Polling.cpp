#include "support/linux/Polling.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <thread>

namespace kavora::test {

namespace {

constexpr std::chrono::milliseconds kPollInterval { 5 };

void runEventsFor(std::chrono::milliseconds interval)
{
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(interval);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(interval, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

bool pollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        runEventsFor(kPollInterval);
    }
    return true;
}

} // namespace kavora::test
