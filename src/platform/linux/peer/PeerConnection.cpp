// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/PeerConnection.h"

#include "platform/linux/peer/QtSocketTransport.h"

#include <utility>

namespace kavora {

PeerConnection::PeerConnection(std::unique_ptr<PeerTransport> transport, const LinkLimits& limits,
                               std::string alreadyRead, QObject* parent)
    : QObject(parent)
    , transport_(std::move(transport))
    , limits_(limits)
    , alreadyRead_(std::move(alreadyRead))
{
    // A Qt socket is owned as a child; the link's stream, a child too, is owned by transport_,
    // which deletes it first (with the members) and so takes it off the children.
    transport_->object()->setParent(this);

    frameTimer_.setSingleShot(true);
    frameTimer_.setInterval(limits_.frameTimeout);
    connect(&frameTimer_, &QTimer::timeout, this, [this] { frameTimedOut(); });
    lingerTimer_.setSingleShot(true);
    lingerTimer_.setInterval(limits_.lingerTimeout);
    connect(&lingerTimer_, &QTimer::timeout, this, [this] { abort({}); });

    transport_->onEnded = [this](const std::string& reason) { finish(reason); };
}

PeerConnection::PeerConnection(QTcpSocket* socket, const LinkLimits& limits,
                               std::string alreadyRead, QObject* parent)
    : PeerConnection(std::make_unique<QtSocketTransport>(socket, limits.readChunkBytes), limits,
                     std::move(alreadyRead), parent)
{
}

PeerConnection::~PeerConnection()
{
    // No callbacks from a connection being destroyed: its owner is going away or already let go.
    onFrame = nullptr;
    onClosed = nullptr;
    state_ = State::Closed;
    transport_->onEnded = nullptr;
    transport_->abort();
}

void PeerConnection::start()
{
    if (!transport_->isConnected()) {
        finish("the connection ended before it was taken in");
        return;
    }
    transport_->startReading([this] { readAvailable(); });
    if (const auto bytes = std::exchange(alreadyRead_, {}); !bytes.empty() && isOpen())
        take(bytes);
    readAvailable();
}

void PeerConnection::abort(const std::string& reason)
{
    if (state_ == State::Closed)
        return;
    transport_->abort();
    finish(reason);
}

bool PeerConnection::write(std::string_view bytes)
{
    if (transport_->write(bytes) > limits_.maxWriteBacklogBytes) {
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
    transport_->closeWhenWritten(); // may report the end at once
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
    if (readBuffer_.size() != limits_.readChunkBytes)
        readBuffer_.resize(limits_.readChunkBytes);
    while (state_ != State::Closed) {
        const auto read = transport_->read(readBuffer_.data(), readBuffer_.size());
        if (read == 0)
            break;
        if (state_ != State::Open)
            continue; // closing: what still arrives is read and dropped
        take(std::string_view(readBuffer_.data(), read));
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
