#pragma once

#include "platform/HttpClient.h"

#include <QUrl>

#include <map>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace kavora {

// HTTP(S) GET over Qt Network on the thread that made it (the GUI thread); completions run on
// that thread. Guards against hostile servers: an inactivity timeout and a hard deadline per
// request, a cap on the decoded body, a few redirects and never one to a less safe scheme or
// from a public address into the local networks (mayFollowRedirect), no cookies. Certificates
// are always verified.
class QtHttpClient final : public HttpClient {
public:
    struct Options {
        Seconds defaultTimeout { 30.0 }; // inactivity, when the request names none
        Seconds deadline { 15.0 }; // whole request, but never shorter than its inactivity timeout
        int maxRedirects = 3;
    };

    QtHttpClient();
    explicit QtHttpClient(Options options);
    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;
    // Abandons every request in flight without calling its completion.
    ~QtHttpClient() override;

    RequestId get(HttpRequest request, Completion completion) override;
    void cancel(RequestId id) override;

private:
    struct Pending {
        QNetworkReply* reply = nullptr; // of the current hop; null between hops
        QTimer* deadline = nullptr; // for all hops together
        Completion completion;
        HttpRequest request;
        QUrl original;
        int redirectsLeft = 0;
        Bytes body;
    };

    // Sends one hop of the request; redirects are followed here, not by Qt, so that nothing is
    // sent to a target before mayFollowRedirect has accepted it.
    void send(RequestId id, const QUrl& url);
    // The request while `reply` is its current hop; signals of an earlier hop find nothing.
    Pending* current(RequestId id, const QNetworkReply* reply);
    void readBody(RequestId id, QNetworkReply* reply);
    void finished(RequestId id, QNetworkReply* reply);
    void redirect(RequestId id, const QUrl& target);
    void fail(RequestId id, const std::string& error);
    // Takes the request out of the table and stops its transfer and deadline.
    std::optional<Pending> take(RequestId id);

    Options options_;
    std::unique_ptr<QNetworkAccessManager> manager_;
    std::map<RequestId, Pending> pending_;
    RequestId nextId_ = 1;
};

} // namespace kavora
