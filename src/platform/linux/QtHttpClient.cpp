#include "platform/linux/QtHttpClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <chrono>

namespace kavora {
namespace {

// Bytes Qt may buffer ahead of our reads; keeps a fast hostile server from filling memory.
constexpr qint64 kReadBufferBytes = 64 * 1024;

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

} // namespace

QtHttpClient::QtHttpClient()
    : QtHttpClient(Options {})
{
}

QtHttpClient::QtHttpClient(Options options)
    : options_(options)
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

    QNetworkRequest qrequest(url);
    for (const auto& [name, value] : request.headers)
        qrequest.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    const auto timeout = request.timeout.value_or(options_.defaultTimeout);
    qrequest.setTransferTimeout(milliseconds(timeout));
    qrequest.setMaximumRedirectsAllowed(options_.maxRedirects);
    qrequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                          QNetworkRequest::NoLessSafeRedirectPolicy);
    qrequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    qrequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);

    auto* reply = manager_->get(qrequest);
    reply->setReadBufferSize(kReadBufferBytes);
    pending_[id] = Pending { reply, std::move(completion), request.maxBodyBytes, {} };

    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this, id, reply] {
        const auto length = reply->header(QNetworkRequest::ContentLengthHeader);
        auto found = pending_.find(id);
        if (found != pending_.end() && length.isValid()
            && length.toULongLong() > found->second.maxBodyBytes)
            fail(id, "body too large");
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, id] { readBody(id); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, id] { finished(id); });
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply,
                     [this, id] { fail(id, "deadline exceeded"); });
    deadline->start(milliseconds(std::max(options_.deadline, timeout)));
    return id;
}

void QtHttpClient::cancel(RequestId id)
{
    auto pending = take(id);
    if (!pending)
        return;
    pending->reply->abort();
    pending->reply->deleteLater();
}

std::optional<QtHttpClient::Pending> QtHttpClient::take(RequestId id)
{
    auto found = pending_.find(id);
    if (found == pending_.end())
        return std::nullopt;
    auto pending = std::move(found->second);
    pending_.erase(found);
    return pending;
}

void QtHttpClient::readBody(RequestId id)
{
    auto found = pending_.find(id);
    if (found == pending_.end())
        return;
    auto& pending = found->second;
    const auto chunk = pending.reply->readAll();
    if (pending.body.size() + static_cast<std::size_t>(chunk.size()) > pending.maxBodyBytes) {
        fail(id, "body too large");
        return;
    }
    pending.body.insert(pending.body.end(), chunk.begin(), chunk.end());
}

void QtHttpClient::fail(RequestId id, const std::string& error)
{
    auto pending = take(id);
    if (!pending)
        return;
    pending->reply->abort();
    pending->reply->deleteLater();
    pending->completion({ 0, std::nullopt, error });
}

void QtHttpClient::finished(RequestId id)
{
    readBody(id);
    auto pending = take(id);
    if (!pending)
        return;
    auto* reply = pending->reply;
    reply->deleteLater();
    const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    HttpResponse response;
    response.status = status.isValid() ? status.toInt() : 0;
    if (reply->error() == QNetworkReply::NoError
        || (status.isValid() && isStatusError(reply->error()))) {
        response.body = std::move(pending->body);
    } else {
        response.status = 0;
        response.error = reply->errorString().toStdString();
    }
    pending->completion(std::move(response));
}

} // namespace kavora
