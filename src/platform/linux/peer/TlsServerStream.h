// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/PeerTransport.h"

#include <QObject>
#include <QSocketNotifier>

#include <cstdint>
#include <optional>
#include <string>

#include <openssl/types.h>

namespace kavora {

// The receiver's end of a link connection: TLS 1.3 through OpenSSL straight on the non-blocking
// descriptor, watched by socket notifiers on the main thread. A received record is decrypted
// into the reader's buffer with no copy in between, and a read stops once OpenSSL holds no more
// bytes rather than asking the socket once more for nothing. What is written while a read is
// handled goes out in one piece at its end, other writes at once; what the socket cannot take is
// queued (the owner caps it). Closing writes what is queued, then a close_notify and the end of
// the TCP stream, and waits for the peer's end (the owner's linger deadline cuts a peer that
// never closes). Writes never raise SIGPIPE.
//
// The handshake starts with the first readable byte; onEncrypted is told when it is done (a
// client certificate is then present), onEnded when it fails. Callbacks may abort the stream but
// must not delete it; owners use deleteLater().
class TlsServerStream final : public QObject, public PeerTransport {
public:
    // Takes the connected descriptor, which is closed when the stream ends.
    TlsServerStream(int descriptor, SSL_CTX* context, QObject* parent = nullptr);
    ~TlsServerStream() override;

    std::function<void()> onEncrypted;
    bool isEncrypted() const { return state_ != State::Handshaking && state_ != State::Closed; }
    bool hasEnded() const { return state_ == State::Closed; }

    QObject* object() override { return this; }
    bool isConnected() const override { return isEncrypted(); }
    void startReading(std::function<void()> readable) override;
    std::size_t read(char* into, std::size_t size) override;
    std::size_t write(std::string_view bytes) override;
    void closeWhenWritten() override;
    void abort() override;
    QHostAddress peerAddress() const override { return peerAddress_; }
    QSslCertificate peerCertificate() const override;

private:
    enum class State : std::uint8_t {
        Handshaking,
        Open,
        Closing, // writing what is queued, then shutting down
        ShutDown, // close_notify sent, reading until the peer's end
        Closed,
    };

    void socketReadable();
    void socketWritable();
    void handshake();
    void flush();
    void shutDown();
    // Closes the descriptor and tells onEnded; a failure found while writing is told from the
    // event loop, since writes come from the owner's own calls.
    void end(const std::string& reason);
    void endLater(const std::string& reason);
    // What the failed call's error says, with OpenSSL's error queue emptied.
    std::string problem(int result, int savedErrno);

    int descriptor_;
    SSL* ssl_ = nullptr;
    QHostAddress peerAddress_;
    QSocketNotifier readNotifier_;
    QSocketNotifier writeNotifier_;
    State state_ = State::Handshaking;
    std::function<void()> readable_;
    bool drained_ = false; // nothing more to read until the socket is readable again
    bool handlingRead_ = false; // writes wait for the end of the read handler
    std::optional<std::string> endAfterRead_; // found behind bytes not yet taken
    bool failing_ = false; // a write failed; the end is on its way
    std::string outgoing_;
    std::size_t outgoingOffset_ = 0;
};

} // namespace kavora
