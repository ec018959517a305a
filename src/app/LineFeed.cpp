// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/LineFeed.h"

#include <QMetaObject>
#include <QObject>

#include <istream>
#include <mutex>

namespace kavora {

struct LineFeed::State {
    std::mutex mutex;
    QObject* receiver = nullptr;
    bool finished = false;
};

LineFeed::LineFeed(std::istream& in, QObject* receiver, Sink sink)
    : state_(std::make_shared<State>())
{
    state_->receiver = receiver;
    thread_ = std::thread([state = state_, &in, sink = std::move(sink)] {
        std::string line;
        bool more = true;
        while (more) {
            more = static_cast<bool>(std::getline(in, line));
            std::optional<std::string> item;
            if (more)
                item = line;
            std::lock_guard lock(state->mutex);
            if (state->receiver == nullptr)
                return;
            QMetaObject::invokeMethod(
                state->receiver, [sink, item] { sink(item); }, Qt::QueuedConnection);
            state->finished = !more;
        }
    });
}

LineFeed::~LineFeed()
{
    bool finished = false;
    {
        std::lock_guard lock(state_->mutex);
        state_->receiver = nullptr;
        finished = state_->finished;
    }
    // A reader still blocked on a terminal is left behind; the process is about to end.
    if (finished)
        thread_.join();
    else
        thread_.detach();
}

} // namespace kavora
