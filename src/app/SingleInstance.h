// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLocalServer;

namespace kavora {

// One receiver per user session. The first copy holds an advisory lock on a file in the
// session's runtime folder (the kernel drops it when the process ends, however it ends, so a
// copy that died never blocks the next) and listens on a local socket beside it; a later copy
// fails to take the lock and can ask the running one, over that socket, to show its window.
class SingleInstance final {
public:
    // $XDG_RUNTIME_DIR/<application id>, or a private folder under /tmp when the session has
    // none.
    static std::filesystem::path sessionFolder();

    explicit SingleInstance(std::filesystem::path folder = sessionFolder());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock: true when this process is now the one running copy. Needs no Qt.
    bool acquire();

    // For a copy that did not get the lock: asks the running one to show its settings window.
    // Tries until the running copy listens (it may be starting at this very moment) or the
    // timeout passes; true when the request was answered. Needs no Qt.
    bool requestShow(std::chrono::milliseconds timeout) const;
    // For `kavora web`: asks the running copy for the browser controller's address with a fresh
    // pairing code. Nothing when no copy answered; an empty text when the page is not served.
    std::optional<std::string> requestWebAddress(std::chrono::milliseconds timeout) const;

    // For the running copy, once the Qt application exists: calls onShow for every request to
    // show the window, and answers every request for the web address with onWebAddress().
    void listen(
        std::function<void()> onShow,
        std::function<std::string()> onWebAddress = [] { return std::string(); });

private:
    // Sends the request line and returns the answer line, without its line end.
    std::optional<std::string> request(const std::string& line,
                                       std::chrono::milliseconds timeout) const;

    std::filesystem::path folder_;
    int lockFd_ = -1;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace kavora
