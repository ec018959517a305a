// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/HttpClient.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kavora::test {

// Records every request and lets the test complete them by hand, in any order, on the test's
// own thread. A cancelled request stays recorded but can no longer be completed.
class FakeHttpClient final : public HttpClient {
public:
    struct Pending {
        RequestId id;
        HttpRequest request;
        Completion completion;
        bool open = true; // neither completed nor cancelled
    };

    RequestId get(HttpRequest request, Completion completion) override
    {
        requests.push_back({ nextId_, std::move(request), std::move(completion) });
        return nextId_++;
    }
    void cancel(RequestId id) override
    {
        for (auto& pending : requests)
            pending.open = pending.open && pending.id != id;
    }

    // The URLs of all requests so far, in order.
    std::vector<std::string> urls() const
    {
        std::vector<std::string> result;
        for (const auto& pending : requests)
            result.push_back(pending.request.url);
        return result;
    }
    std::size_t openCount() const
    {
        return std::count_if(requests.begin(), requests.end(), [](auto& p) { return p.open; });
    }
    // Completes the first open request for this URL; false when there is none.
    bool complete(const std::string& url, HttpResponse response)
    {
        for (auto& pending : requests) {
            if (pending.request.url == url && pending.open) {
                pending.open = false;
                // Call a copy: the completion may start requests, which grows the list.
                auto completion = pending.completion;
                completion(std::move(response));
                return true;
            }
        }
        return false;
    }
    bool completeWithBody(const std::string& url, const std::string& body, int status = 200)
    {
        return complete(url, { status, Bytes(body.begin(), body.end()), std::nullopt });
    }

    std::vector<Pending> requests;

private:
    RequestId nextId_ = 1;
};

} // namespace kavora::test
