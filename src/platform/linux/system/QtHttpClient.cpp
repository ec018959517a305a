// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/QtHttpClient.h"

#include "platform/linux/system/RedirectPolicy.h"

#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <utility>

namespace kavora {
namespace {

// Bytes Qt may buffer ahead of our reads; keeps a fast hostile server from filling memory.
constexpr qint64 kReadBufferBytes = qint64 { 64 } * 1024;

int milliseconds(Seconds seconds)
{
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(seconds).count());
}

// Errors that Qt reports for an HTTP answer with a 4xx or 5xx status: the answer still counts.
bool isStatusError(QNetworkReply::NetworkError error)
{
    const int code = static_cast<int>(error);
    return (code >= 201 && code <= 299) || (code >= 401 && code <= 499);
}

// Whether Qt would send a request for the address through a proxy, which then resolves the
// host itself.
bool goesThroughProxy(const QUrl& url)
{
    const auto proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
    return !proxies.isEmpty() && proxies.first().type() != QNetworkProxy::NoProxy;
}

} // namespace

QtHttpClient::QtHttpClient()
    : QtHttpClient(Options {})
{
}

QtHttpClient::QtHttpClient(Options options)
    : options_(std::move(options))
    , manager_(std::make_unique<QNetworkAccessManager>())
{
}

QtHttpClient::~QtHttpClient()
{
    while (!pending_.empty())
        cancel(pending_.begin()->first);
}

HttpClient::RequestId QtHttpClient::get(HttpRequest request, Completion completion)
{
    const auto id = nextId_++;
    const QUrl url(QString::fromStdString(request.url), QUrl::StrictMode);
    if (!url.isValid()
        || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        // Deliver later, like every other completion; dropped if this client goes first.
        QTimer::singleShot(0, manager_.get(), [completion = std::move(completion)] {
            completion({ 0, std::nullopt, "unsupported address" });
        });
        return id;
    }

    const auto timeout = request.timeout.value_or(options_.defaultTimeout);
    auto* deadline = new QTimer(manager_.get());
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, manager_.get(),
                     [this, id] { fail(id, "deadline exceeded"); });
    deadline->start(milliseconds(std::max(options_.deadline, timeout)));
    Pending pending;
    pending.deadline = deadline;
    pending.completion = std::move(completion);
    pending.request = std::move(request);
    pending.original = url;
    pending.mayReachLocal = isLocalNetworkHost(url.host(QUrl::FullyEncoded));
    pending.redirectsLeft = options_.maxRedirects;
    pending_[id] = std::move(pending);
    send(id, url);
    return id;
}

void QtHttpClient::send(RequestId id, const QUrl& url, const std::optional<QHostAddress>& connectTo)
{
    auto& pending = pending_.at(id);
    QUrl connected = url;
    if (connectTo)
        connected.setHost(connectTo->toString());
    QNetworkRequest qrequest(connected);
    for (const auto& [name, value] : pending.request.headers)
        qrequest.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    if (connectTo) {
        // The server, its certificate and the TLS server name are still those of the name.
        QByteArray host = QUrl::toAce(url.host());
        if (url.port() != -1)
            host += ':' + QByteArray::number(url.port());
        qrequest.setRawHeader("Host", host);
        qrequest.setPeerVerifyName(url.host());
    }
    qrequest.setTransferTimeout(
        milliseconds(pending.request.timeout.value_or(options_.defaultTimeout)));
    qrequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                          QNetworkRequest::ManualRedirectPolicy);
    qrequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    qrequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);

    auto* reply = manager_->get(qrequest);
    reply->setReadBufferSize(kReadBufferBytes);
    pending.reply = reply;
    pending.hop = url;
    pending.body.clear();

    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this, id, reply] {
        const auto length = reply->header(QNetworkRequest::ContentLengthHeader);
        const auto* found = current(id, reply);
        if (found != nullptr && length.isValid()
            && length.toULongLong() > found->request.maxBodyBytes)
            fail(id, "body too large");
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [this, id, reply] { readBody(id, reply); });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [this, id, reply] { finished(id, reply); });
}

void QtHttpClient::cancel(RequestId id)
{
    take(id);
}

QtHttpClient::Pending* QtHttpClient::current(RequestId id, const QNetworkReply* reply)
{
    auto found = pending_.find(id);
    if (found == pending_.end() || found->second.reply != reply)
        return nullptr;
    return &found->second;
}

std::optional<QtHttpClient::Pending> QtHttpClient::take(RequestId id)
{
    auto found = pending_.find(id);
    if (found == pending_.end())
        return std::nullopt;
    auto pending = std::move(found->second);
    pending_.erase(found);
    if (pending.lookup != -1)
        QHostInfo::abortHostLookup(pending.lookup);
    pending.deadline->stop();
    pending.deadline->deleteLater();
    if (pending.reply != nullptr) {
        // May emit finished at once; the request is out of the table by now.
        pending.reply->abort();
        pending.reply->deleteLater();
    }
    return pending;
}

void QtHttpClient::readBody(RequestId id, QNetworkReply* reply)
{
    auto* pending = current(id, reply);
    if (pending == nullptr)
        return;
    const auto chunk = reply->readAll();
    if (pending->body.size() + static_cast<std::size_t>(chunk.size())
        > pending->request.maxBodyBytes) {
        fail(id, "body too large");
        return;
    }
    pending->body.insert(pending->body.end(), chunk.begin(), chunk.end());
}

void QtHttpClient::fail(RequestId id, const std::string& error)
{
    auto pending = take(id);
    if (pending)
        pending->completion({ 0, std::nullopt, error });
}

void QtHttpClient::finished(RequestId id, QNetworkReply* reply)
{
    readBody(id, reply);
    auto* pending = current(id, reply);
    if (pending == nullptr)
        return;
    pending->reply = nullptr;
    reply->deleteLater();
    const auto location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);
    if (location.isValid() && reply->error() == QNetworkReply::NoError) {
        redirect(id, pending->hop.resolved(location.toUrl()));
        return;
    }

    auto done = take(id);
    const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    HttpResponse response;
    response.status = status.isValid() ? status.toInt() : 0;
    if (reply->error() == QNetworkReply::NoError
        || (status.isValid() && isStatusError(reply->error()))) {
        response.body = std::move(done->body);
    } else {
        response.status = 0;
        response.error = reply->errorString().toStdString();
    }
    done->completion(std::move(response));
}

void QtHttpClient::redirect(RequestId id, const QUrl& target)
{
    auto& pending = pending_.at(id);
    if (pending.redirectsLeft <= 0) {
        fail(id, "too many redirects");
        return;
    }
    if (!mayFollowRedirect(pending.original, target)) {
        fail(id, "redirect refused");
        return;
    }
    --pending.redirectsLeft;
    // An address, or a name that a proxy resolves, is all that can be judged; inside the local
    // networks already, there is nothing left to keep out.
    const bool literal = !QHostAddress(target.host()).isNull();
    if (pending.mayReachLocal || literal || goesThroughProxy(target)) {
        send(id, target);
        return;
    }
    pending.lookup = QHostInfo::lookupHost(
        target.host(), manager_.get(),
        [this, id, target](const QHostInfo& info) { resolved(id, target, info); });
}

void QtHttpClient::resolved(RequestId id, const QUrl& target, const QHostInfo& info)
{
    auto found = pending_.find(id);
    if (found == pending_.end() || found->second.lookup != info.lookupId())
        return;
    found->second.lookup = -1;
    const auto addresses = info.addresses();
    if (info.error() != QHostInfo::NoError || addresses.isEmpty()) {
        fail(id, "host not found");
        return;
    }
    const bool local = std::ranges::any_of(addresses, [this](const QHostAddress& address) {
        return options_.isLocalAddress ? options_.isLocalAddress(address)
                                       : isLocalNetworkHost(address.toString());
    });
    if (local) {
        fail(id, "redirect refused");
        return;
    }
    send(id, target, addresses.first());
}

} // namespace kavora
