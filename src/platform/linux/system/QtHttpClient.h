// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/HttpClient.h"

#include <QHostAddress>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QHostInfo;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace kavora {

// HTTP(S) GET over Qt Network on the thread that made it (the GUI thread); completions run on
// that thread. Guards against hostile servers: an inactivity timeout and a hard deadline per
// request, a cap on the decoded body, a few redirects and never one to a less safe scheme or
// from a public address into the local networks, no cookies. Certificates are always verified.
//
// The local networks are judged on the address connected, not only on the host's text: when a
// request that started at a public address is redirected to a name, the name is resolved here
// first, refused if any of its addresses is local, and the hop connects to the address checked
// (the name still goes in the Host header, the TLS server name and the certificate check), so
// that a later answer of the name server cannot send it elsewhere. Through a proxy the proxy
// resolves names, and only the host's text can be judged.
class QtHttpClient final : public HttpClient {
public:
    struct Options {
        Seconds defaultTimeout { 30.0 }; // inactivity, when the request names none
        Seconds deadline { 15.0 }; // whole request, but never shorter than its inactivity timeout
        int maxRedirects = 3;
        // Which resolved addresses are in the local networks; empty: isLocalNetworkHost.
        std::function<bool(const QHostAddress&)> isLocalAddress;
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
        QUrl hop; // the address of the current hop, as named (redirects resolve against it)
        bool mayReachLocal = false; // the original address is in the local networks
        int lookup = -1; // the host lookup of the next hop, while one runs
        int redirectsLeft = 0;
        Bytes body;
    };

    // Sends one hop of the request, to `connectTo` when given instead of the URL's host;
    // redirects are followed here, not by Qt, so that nothing is sent to a target before it
    // has been accepted.
    void send(RequestId id, const QUrl& url, const std::optional<QHostAddress>& connectTo = {});
    // The request while `reply` is its current hop; signals of an earlier hop find nothing.
    Pending* current(RequestId id, const QNetworkReply* reply);
    void readBody(RequestId id, QNetworkReply* reply);
    void finished(RequestId id, QNetworkReply* reply);
    void redirect(RequestId id, const QUrl& target);
    // The next hop once its host's addresses are known.
    void resolved(RequestId id, const QUrl& target, const QHostInfo& info);
    void fail(RequestId id, const std::string& error);
    // Takes the request out of the table and stops its transfer and deadline.
    std::optional<Pending> take(RequestId id);

    Options options_;
    std::unique_ptr<QNetworkAccessManager> manager_;
    std::map<RequestId, Pending> pending_;
    RequestId nextId_ = 1;
};

} // namespace kavora
