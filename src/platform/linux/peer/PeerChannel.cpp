// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/PeerChannel.h"

namespace kavora {

PeerChannel::PeerChannel(std::unique_ptr<PeerTransport> transport, const LinkLimits& limits,
                         std::size_t maxPayloadBytes, QObject* parent)
    : PeerConnection(std::move(transport), limits, {}, parent)
    , decoder_(maxPayloadBytes)
{
}

PeerChannel::PeerChannel(QTcpSocket* socket, const LinkLimits& limits, std::size_t maxPayloadBytes,
                         QObject* parent)
    : PeerConnection(socket, limits, {}, parent)
    , decoder_(maxPayloadBytes)
{
}

void PeerChannel::setMaxPayloadBytes(std::size_t maxPayloadBytes)
{
    decoder_.setMaxPayloadBytes(maxPayloadBytes);
}

bool PeerChannel::sendFrame(std::string_view payload)
{
    if (!isOpen())
        return false;
    return write(encodeFrame(payload));
}

void PeerChannel::close()
{
    beginClosing();
}

void PeerChannel::take(std::string_view bytes)
{
    decoder_.append(bytes);
    bool completedOne = false;
    std::string_view payload;
    while (isOpen()) {
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
            callback(payload);
    }
    if (isOpen())
        keepFrameDeadline(decoder_.hasPartialFrame(), completedOne);
}

void PeerChannel::frameTimedOut()
{
    abort("a frame was not completed in time");
}

} // namespace kavora
