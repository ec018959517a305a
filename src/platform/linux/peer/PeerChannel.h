#pragma once

#include "platform/linux/peer/LinkLimits.h"
#include "platform/linux/peer/PeerConnection.h"
#include "wire/FrameDecoder.h"

#include <QTimer>

#include <string>
#include <string_view>

class QTcpSocket;

namespace kavora {

// One connection of the link, seen as frames: cuts what arrives into frames under the size limit
// and the frame deadline, writes frames under the write-backlog cap, and reports the end of the
// connection once, whatever ended it. A framing violation, a missed deadline or a peer that stops
// reading ends the connection. Lives on the thread of its socket (the main thread).
class PeerChannel final : public PeerConnection {
public:
    // Takes ownership of the connected socket. Nothing is read before start().
    PeerChannel(QTcpSocket* socket, const LinkLimits& limits, std::size_t maxPayloadBytes,
                QObject* parent = nullptr);
    ~PeerChannel() override;

    void start() override;
    void setMaxPayloadBytes(std::size_t maxPayloadBytes) override;
    bool sendFrame(std::string_view payload) override;
    void close() override;
    void abort(const std::string& reason) override;
    bool isOpen() const override { return state_ == State::Open; }
    QTcpSocket* socket() const override { return socket_; }

private:
    enum class State { Open, Closing, Closed };

    void readAvailable();
    void takeFrames();
    void finish(const std::string& reason);

    QTcpSocket* socket_;
    LinkLimits limits_;
    FrameDecoder decoder_;
    QTimer frameTimer_;
    QTimer lingerTimer_;
    State state_ = State::Open;
    bool started_ = false;
};

} // namespace kavora
