// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"
#include "core/Scheduler.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kavora {

// One HTTP(S) GET. The client never follows a redirect to a less safe scheme (https to http).
struct HttpRequest {
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers; // name, value
    // Longest silence on the connection before the request fails; absent: the client's default.
    std::optional<Seconds> timeout;
    // Bodies longer than this fail the request (the transfer is aborted, no body is delivered).
    std::size_t maxBodyBytes = std::size_t { 1024 } * 1024;
};

struct HttpResponse {
    int status = 0; // the HTTP status, 0 when no response arrived
    std::optional<Bytes> body; // absent when the request failed or carried no body
    std::optional<std::string> error; // present when the request failed
};

// Fetches web resources in the background. Completions may run on any thread and exactly once
// per request unless it was cancelled; callers hop to their own queue before touching state.
class HttpClient {
public:
    using RequestId = std::uint64_t;
    using Completion = std::function<void(HttpResponse)>;

    virtual ~HttpClient() = default;

    // Starts the request and returns at once.
    virtual RequestId get(HttpRequest request, Completion completion) = 0;
    // Abandons the request: its completion is not called afterwards (one already running on
    // another thread may still finish). Unknown or finished ids are ignored.
    virtual void cancel(RequestId id) = 0;
};

} // namespace kavora
