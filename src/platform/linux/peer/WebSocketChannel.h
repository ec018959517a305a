// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/LinkLimits.h"
#include "platform/linux/peer/PeerConnection.h"
#include "wire/WebSocketFrames.h"

#include <cstdint>
#include <string>

namespace kavora {

// A browser controller's connection after its upgrade to a WebSocket: each text message is one
// payload, under the same size limits, frame deadline and write-backlog cap as the link's
// frames. Pings are answered; a close from the browser is answered and ends the connection; a
// broken rule closes it with the protocol's code.
class WebSocketChannel final : public PeerConnection {
public:
    // Takes ownership of the upgraded socket; leftover holds bytes that came after the upgrade
    // request. Nothing is read before start().
    WebSocketChannel(QTcpSocket* socket, std::string leftover, const LinkLimits& limits,
                     std::size_t maxPayloadBytes, QObject* parent = nullptr);

    void setMaxPayloadBytes(std::size_t maxPayloadBytes) override;
    bool sendFrame(std::string_view payload) override;
    void close() override;

private:
    void take(std::string_view bytes) override;
    void frameTimedOut() override;
    // Sends a close frame with the code and ends the connection once it is written.
    void closeWith(std::uint16_t code, const std::string& reason);

    WebSocketDecoder decoder_;
};

} // namespace kavora
