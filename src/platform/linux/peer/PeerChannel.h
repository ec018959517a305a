// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/LinkLimits.h"
#include "platform/linux/peer/PeerConnection.h"
#include "wire/FrameDecoder.h"

#include <string_view>

class QTcpSocket;

namespace kavora {

// One connection of the link, seen as frames: cuts what arrives into frames under the size limit
// and the frame deadline, and writes each payload with its length. A framing violation, a missed
// deadline or a peer that stops reading ends the connection.
class PeerChannel final : public PeerConnection {
public:
    // Takes ownership of the connected transport or socket. Nothing is read before start().
    PeerChannel(std::unique_ptr<PeerTransport> transport, const LinkLimits& limits,
                std::size_t maxPayloadBytes, QObject* parent = nullptr);
    PeerChannel(QTcpSocket* socket, const LinkLimits& limits, std::size_t maxPayloadBytes,
                QObject* parent = nullptr);

    void setMaxPayloadBytes(std::size_t maxPayloadBytes) override;
    bool sendFrame(std::string_view payload) override;
    void close() override;

private:
    void take(std::string_view bytes) override;
    void frameTimedOut() override;

    FrameDecoder decoder_;
};

} // namespace kavora
