// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class QObject;

namespace kavora {

// Reads the input's lines on a thread of its own (a terminal or pipe blocks) and hands each to
// the event loop's thread in order; the end of the input arrives as std::nullopt.
class LineFeed {
public:
    using Sink = std::function<void(std::optional<std::string> line)>;

    // The sink runs in receiver's thread, never after the feed is gone.
    LineFeed(std::istream& in, QObject* receiver, Sink sink);
    ~LineFeed();
    LineFeed(const LineFeed&) = delete;
    LineFeed& operator=(const LineFeed&) = delete;

private:
    struct State;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

} // namespace kavora
