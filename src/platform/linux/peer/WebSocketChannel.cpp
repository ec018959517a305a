// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/WebSocketChannel.h"

namespace kavora {

WebSocketChannel::WebSocketChannel(QTcpSocket* socket, std::string leftover,
                                   const LinkLimits& limits, std::size_t maxPayloadBytes,
                                   QObject* parent)
    : PeerConnection(socket, limits, std::move(leftover), parent)
    , decoder_(maxPayloadBytes)
{
}

void WebSocketChannel::setMaxPayloadBytes(std::size_t maxPayloadBytes)
{
    decoder_.setMaxMessageBytes(maxPayloadBytes);
}

bool WebSocketChannel::sendFrame(std::string_view payload)
{
    if (!isOpen())
        return false;
    return write(encodeWebSocketFrame(WebSocketOpcode::Text, payload));
}

void WebSocketChannel::close()
{
    closeWith(closecode::kNormal, {});
}

void WebSocketChannel::closeWith(std::uint16_t code, const std::string& reason)
{
    if (!isOpen())
        return;
    if (!write(encodeWebSocketClose(code, reason)))
        return; // the write ended it
    // The end is reported with this reason once the close frame is out.
    beginClosing(reason);
}

void WebSocketChannel::take(std::string_view bytes)
{
    decoder_.append(bytes);
    bool completedOne = false;
    std::string payload;
    while (isOpen()) {
        const auto status = decoder_.next(payload);
        if (status == WebSocketDecoder::Status::NeedMore)
            break;
        completedOne = true;
        switch (status) {
        case WebSocketDecoder::Status::Text:
            // A copy, since the callback may replace itself (an accepted invitation hands the
            // connection over to the session).
            if (auto callback = onFrame)
                callback(payload);
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
    if (isOpen())
        keepFrameDeadline(decoder_.hasPartialMessage(), completedOne);
}

void WebSocketChannel::frameTimedOut()
{
    closeWith(closecode::kPolicyViolation, "a frame was not completed in time");
}

} // namespace kavora
