#pragma once

#include <chrono>
#include <functional>

namespace kavora::test {

constexpr std::chrono::milliseconds kDefaultPollTimeout { 15000 };

// Calls done() until it holds or the timeout passes, running the Qt event loop (when there is
// one) in between, since the code under test may need it: clipboard transfers, D-Bus replies,
// GLib sources. True when done() held.
bool pollUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = kDefaultPollTimeout);

} // namespace kavora::test
