#pragma once

#include "platform/HttpClient.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace kavora::test {

// Records every request and lets the test complete them by hand, in any order, on the test's
// own thread. Cancelled requests stay recorded but can no longer be completed.
class FakeHttpClient final : public HttpClient {
public:
    struct Pending {
        RequestId id;
        HttpRequest request;
        Completion completion;
        bool cancelled = false;
        bool completed = false;
    };

    RequestId get(HttpRequest request, Completion completion) override
    {
        const auto id = nextId_++;
        requests.push_back({ id, std::move(request), std::move(completion) });
        return id;
    }
    void cancel(RequestId id) override
    {
        for (auto& pending : requests) {
            if (pending.id == id)
                pending.cancelled = true;
        }
    }

    // The URLs of all requests so far, in order.
    std::vector<std::string> urls() const
    {
        std::vector<std::string> result;
        for (const auto& pending : requests)
            result.push_back(pending.request.url);
        return result;
    }
    // Requests neither completed nor cancelled.
    std::size_t openCount() const
    {
        return static_cast<std::size_t>(
            std::count_if(requests.begin(), requests.end(),
                          [](const Pending& p) { return !p.cancelled && !p.completed; }));
    }
    // Completes the first open request for this URL; false when there is none.
    bool complete(const std::string& url, HttpResponse response)
    {
        for (auto& pending : requests) {
            if (pending.request.url == url && !pending.cancelled && !pending.completed) {
                pending.completed = true;
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
    bool fail(const std::string& url, const std::string& error)
    {
        return complete(url, { 0, std::nullopt, error });
    }

    std::vector<Pending> requests;

private:
    RequestId nextId_ = 1;
};

} // namespace kavora::test
