#include "platform/linux/peer/WebSocketChannel.h"

#include <QTcpSocket>

namespace kavora {

WebSocketChannel::WebSocketChannel(QTcpSocket* socket, std::string leftover,
                                   const LinkLimits& limits, std::size_t maxPayloadBytes,
                                   QObject* parent)
    : PeerConnection(parent)
    , socket_(socket)
    , limits_(limits)
    , decoder_(maxPayloadBytes)
    , leftover_(std::move(leftover))
{
    socket_->setParent(this);
    socket_->setReadBufferSize(static_cast<qint64>(limits_.readChunkBytes));

    frameTimer_.setSingleShot(true);
    frameTimer_.setInterval(limits_.frameTimeout);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        closeWith(closecode::kPolicyViolation, "a frame was not completed in time");
    });
    lingerTimer_.setSingleShot(true);
    lingerTimer_.setInterval(limits_.lingerTimeout);
    connect(&lingerTimer_, &QTimer::timeout, this, [this] { abort(closeReason_); });

    connect(socket_, &QTcpSocket::readyRead, this, &WebSocketChannel::readAvailable);
    connect(socket_, &QTcpSocket::disconnected, this, [this] { finish({}); });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        finish(error == QAbstractSocket::RemoteHostClosedError
                   ? std::string()
                   : socket_->errorString().toStdString());
    });
}

WebSocketChannel::~WebSocketChannel()
{
    onFrame = nullptr;
    onClosed = nullptr;
    state_ = State::Closed;
    socket_->disconnect(this);
    socket_->abort();
}

void WebSocketChannel::start()
{
    started_ = true;
    if (socket_->state() != QAbstractSocket::ConnectedState) {
        finish("the connection ended before it was taken in");
        return;
    }
    take(std::exchange(leftover_, {}));
    readAvailable();
}

void WebSocketChannel::setMaxPayloadBytes(std::size_t maxPayloadBytes)
{
    decoder_.setMaxMessageBytes(maxPayloadBytes);
}

bool WebSocketChannel::sendFrame(std::string_view payload)
{
    if (state_ != State::Open)
        return false;
    return write(encodeWebSocketFrame(WebSocketOpcode::Text, payload));
}

bool WebSocketChannel::write(const std::string& bytes)
{
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (static_cast<std::size_t>(socket_->bytesToWrite()) > limits_.maxWriteBacklogBytes) {
        abort("the peer does not read what is sent to it");
        return false;
    }
    return true;
}

void WebSocketChannel::close()
{
    closeWith(closecode::kNormal, {});
}

void WebSocketChannel::closeWith(std::uint16_t code, const std::string& reason)
{
    if (state_ != State::Open)
        return;
    write(encodeWebSocketClose(code, reason));
    if (state_ != State::Open)
        return; // the write ended it
    state_ = State::Closing;
    frameTimer_.stop();
    lingerTimer_.start();
    // The end is reported with this reason once the close frame is out.
    closeReason_ = reason;
    socket_->disconnectFromHost(); // may report the end at once
}

void WebSocketChannel::abort(const std::string& reason)
{
    if (state_ == State::Closed)
        return;
    socket_->abort();
    finish(reason);
}

void WebSocketChannel::readAvailable()
{
    if (!started_)
        return;
    while (state_ != State::Closed && socket_->bytesAvailable() > 0) {
        const auto chunk = socket_->read(static_cast<qint64>(limits_.readChunkBytes));
        if (chunk.isEmpty())
            break;
        take(std::string_view(chunk.constData(), static_cast<std::size_t>(chunk.size())));
    }
}

void WebSocketChannel::take(std::string_view bytes)
{
    if (state_ != State::Open || bytes.empty())
        return; // closing: what still arrives is dropped
    decoder_.append(bytes);
    bool completedOne = false;
    std::string payload;
    while (state_ == State::Open) {
        const auto status = decoder_.next(payload);
        if (status == WebSocketDecoder::Status::NeedMore)
            break;
        completedOne = true;
        switch (status) {
        case WebSocketDecoder::Status::Text:
            // A copy, since the callback may replace itself (an accepted invitation hands the
            // connection over to the session).
            if (auto callback = onFrame)
                callback(std::move(payload));
            break;
        case WebSocketDecoder::Status::Ping:
            write(encodeWebSocketFrame(WebSocketOpcode::Pong, payload));
            break;
        case WebSocketDecoder::Status::Pong:
        case WebSocketDecoder::Status::NeedMore:
            break;
        case WebSocketDecoder::Status::Close:
            closeWith(closecode::kNormal, {});
            return;
        case WebSocketDecoder::Status::Violation:
            closeWith(decoder_.closeCode(), decoder_.violation());
            return;
        }
    }
    if (state_ != State::Open)
        return;
    // The deadline runs from the first byte of the message now waiting for its rest.
    if (!decoder_.hasPartialMessage())
        frameTimer_.stop();
    else if (completedOne || !frameTimer_.isActive())
        frameTimer_.start();
}

void WebSocketChannel::finish(const std::string& reason)
{
    if (state_ == State::Closed)
        return;
    state_ = State::Closed;
    frameTimer_.stop();
    lingerTimer_.stop();
    if (auto callback = std::move(onClosed)) {
        onClosed = nullptr;
        onFrame = nullptr;
        callback(reason.empty() ? closeReason_ : reason);
    }
}

} // namespace kavora
