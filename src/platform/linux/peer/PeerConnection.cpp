// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/PeerConnection.h"

#include <QTcpSocket>

#include <utility>

namespace kavora {

PeerConnection::PeerConnection(QTcpSocket* socket, const LinkLimits& limits,
                               std::string alreadyRead, QObject* parent)
    : QObject(parent)
    , socket_(socket)
    , limits_(limits)
    , alreadyRead_(std::move(alreadyRead))
{
    socket_->setParent(this);
    socket_->setReadBufferSize(static_cast<qint64>(limits_.readChunkBytes));

    frameTimer_.setSingleShot(true);
    frameTimer_.setInterval(limits_.frameTimeout);
    connect(&frameTimer_, &QTimer::timeout, this, [this] { frameTimedOut(); });
    lingerTimer_.setSingleShot(true);
    lingerTimer_.setInterval(limits_.lingerTimeout);
    connect(&lingerTimer_, &QTimer::timeout, this, [this] { abort({}); });

    connect(socket_, &QTcpSocket::readyRead, this, &PeerConnection::readAvailable);
    connect(socket_, &QTcpSocket::disconnected, this, [this] { finish({}); });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        finish(error == QAbstractSocket::RemoteHostClosedError
                   ? std::string()
                   : socket_->errorString().toStdString());
    });
}

PeerConnection::~PeerConnection()
{
    // No callbacks from a connection being destroyed: its owner is going away or already let go.
    onFrame = nullptr;
    onClosed = nullptr;
    state_ = State::Closed;
    socket_->disconnect(this);
    socket_->abort();
}

void PeerConnection::start()
{
    started_ = true;
    if (socket_->state() != QAbstractSocket::ConnectedState) {
        finish("the connection ended before it was taken in");
        return;
    }
    if (const auto bytes = std::exchange(alreadyRead_, {}); !bytes.empty() && isOpen())
        take(bytes);
    readAvailable();
}

void PeerConnection::abort(const std::string& reason)
{
    if (state_ == State::Closed)
        return;
    socket_->abort();
    finish(reason);
}

bool PeerConnection::write(std::string_view bytes)
{
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (static_cast<std::size_t>(socket_->bytesToWrite()) > limits_.maxWriteBacklogBytes) {
        abort("the peer does not read what is sent to it");
        return false;
    }
    return true;
}

void PeerConnection::beginClosing(const std::string& reason)
{
    if (state_ != State::Open)
        return;
    state_ = State::Closing;
    closeReason_ = reason;
    frameTimer_.stop();
    lingerTimer_.start();
    socket_->disconnectFromHost(); // may report the end at once
}

void PeerConnection::keepFrameDeadline(bool partialPayload, bool completedOne)
{
    if (!partialPayload)
        frameTimer_.stop();
    else if (completedOne || !frameTimer_.isActive())
        frameTimer_.start();
}

void PeerConnection::readAvailable()
{
    if (!started_)
        return;
    if (readBuffer_.size() != limits_.readChunkBytes)
        readBuffer_.resize(limits_.readChunkBytes);
    while (state_ != State::Closed && socket_->bytesAvailable() > 0) {
        const auto read
            = socket_->read(readBuffer_.data(), static_cast<qint64>(readBuffer_.size()));
        if (read <= 0)
            break;
        if (state_ != State::Open)
            continue; // closing: what still arrives is read and dropped
        take(std::string_view(readBuffer_.data(), static_cast<std::size_t>(read)));
    }
}

void PeerConnection::finish(const std::string& reason)
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
