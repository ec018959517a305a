#pragma once

#include "platform/linux/peer/LinkLimits.h"
#include "platform/linux/peer/PeerConnection.h"
#include "wire/WebSocketFrames.h"

#include <QTimer>

#include <string>

namespace kavora {

// A browser controller's connection after its upgrade to a WebSocket: each text message is one
// payload, under the same size limits, frame deadline and write-backlog cap as the link's
// frames. Pings are answered; a close from the browser is answered and ends the connection; a
// broken rule closes it with the protocol's code. Lives on the main thread.
class WebSocketChannel final : public PeerConnection {
public:
    // Takes ownership of the upgraded socket; leftover holds bytes that came after the upgrade
    // request. Nothing is read before start().
    WebSocketChannel(QTcpSocket* socket, std::string leftover, const LinkLimits& limits,
                     std::size_t maxPayloadBytes, QObject* parent = nullptr);
    ~WebSocketChannel() override;

    void start() override;
    void setMaxPayloadBytes(std::size_t maxPayloadBytes) override;
    bool sendFrame(std::string_view payload) override;
    void close() override;
    void abort(const std::string& reason) override;
    bool isOpen() const override { return state_ == State::Open; }
    QTcpSocket* socket() const override { return socket_; }

private:
    enum class State { Open, Closing, Closed };

    bool write(const std::string& bytes);
    void readAvailable();
    void take(std::string_view bytes);
    // Sends a close frame with the code and ends the connection once it is written.
    void closeWith(std::uint16_t code, const std::string& reason);
    void finish(const std::string& reason);

    QTcpSocket* socket_;
    LinkLimits limits_;
    WebSocketDecoder decoder_;
    std::string leftover_;
    std::string closeReason_; // why this end closed it, when it did
    QTimer frameTimer_;
    QTimer lingerTimer_;
    State state_ = State::Open;
    bool started_ = false;
};

} // namespace kavora
