#include "platform/linux/peer/PeerChannel.h"

#include <QTcpSocket>

namespace kavora {

PeerChannel::PeerChannel(QTcpSocket* socket, const LinkLimits& limits, std::size_t maxPayloadBytes,
                         QObject* parent)
    : PeerConnection(parent)
    , socket_(socket)
    , limits_(limits)
    , decoder_(maxPayloadBytes)
{
    socket_->setParent(this);
    socket_->setReadBufferSize(static_cast<qint64>(limits_.readChunkBytes));

    frameTimer_.setSingleShot(true);
    frameTimer_.setInterval(limits_.frameTimeout);
    connect(&frameTimer_, &QTimer::timeout, this,
            [this] { abort("a frame was not completed in time"); });
    lingerTimer_.setSingleShot(true);
    lingerTimer_.setInterval(limits_.lingerTimeout);
    connect(&lingerTimer_, &QTimer::timeout, this, [this] { abort({}); });

    connect(socket_, &QTcpSocket::readyRead, this, &PeerChannel::readAvailable);
    connect(socket_, &QTcpSocket::disconnected, this, [this] { finish({}); });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        finish(error == QAbstractSocket::RemoteHostClosedError
                   ? std::string()
                   : socket_->errorString().toStdString());
    });
}

PeerChannel::~PeerChannel()
{
    // No callbacks from a channel being destroyed: its owner is going away or already let go.
    onFrame = nullptr;
    onClosed = nullptr;
    state_ = State::Closed;
    socket_->disconnect(this);
    socket_->abort();
}

void PeerChannel::start()
{
    started_ = true;
    if (socket_->state() != QAbstractSocket::ConnectedState) {
        finish("the connection ended before it was taken in");
        return;
    }
    readAvailable();
}

void PeerChannel::setMaxPayloadBytes(std::size_t maxPayloadBytes)
{
    decoder_.setMaxPayloadBytes(maxPayloadBytes);
}

bool PeerChannel::sendFrame(std::string_view payload)
{
    if (state_ != State::Open)
        return false;
    const auto frame = encodeFrame(payload);
    socket_->write(frame.data(), static_cast<qint64>(frame.size()));
    if (static_cast<std::size_t>(socket_->bytesToWrite()) > limits_.maxWriteBacklogBytes) {
        abort("the peer does not read what is sent to it");
        return false;
    }
    return true;
}

void PeerChannel::close()
{
    if (state_ != State::Open)
        return;
    state_ = State::Closing;
    frameTimer_.stop();
    lingerTimer_.start();
    socket_->disconnectFromHost(); // may report the end at once
}

void PeerChannel::abort(const std::string& reason)
{
    if (state_ == State::Closed)
        return;
    socket_->abort();
    finish(reason);
}

void PeerChannel::readAvailable()
{
    if (!started_)
        return;
    while (state_ != State::Closed && socket_->bytesAvailable() > 0) {
        const auto chunk = socket_->read(static_cast<qint64>(limits_.readChunkBytes));
        if (chunk.isEmpty())
            break;
        if (state_ != State::Open)
            continue; // closing: what still arrives is read and dropped
        decoder_.append(
            std::string_view(chunk.constData(), static_cast<std::size_t>(chunk.size())));
        takeFrames();
    }
}

void PeerChannel::takeFrames()
{
    bool completedOne = false;
    std::string payload;
    while (state_ == State::Open) {
        const auto status = decoder_.next(payload);
        if (status == FrameDecoder::Status::NeedMore)
            break;
        if (status == FrameDecoder::Status::Violation) {
            abort(decoder_.violation());
            return;
        }
        completedOne = true;
        // A copy, since the callback may replace itself (an accepted invitation hands the channel
        // over to the session).
        if (auto callback = onFrame)
            callback(std::move(payload));
    }
    if (state_ != State::Open)
        return;
    // The deadline runs from the first byte of the frame now waiting for its rest.
    if (!decoder_.hasPartialFrame())
        frameTimer_.stop();
    else if (completedOne || !frameTimer_.isActive())
        frameTimer_.start();
}

void PeerChannel::finish(const std::string& reason)
{
    if (state_ == State::Closed)
        return;
    state_ = State::Closed;
    frameTimer_.stop();
    lingerTimer_.stop();
    if (auto callback = std::move(onClosed)) {
        onClosed = nullptr;
        onFrame = nullptr;
        callback(reason);
    }
}

} // namespace kavora
