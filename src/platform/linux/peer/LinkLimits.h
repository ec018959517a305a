#pragma once

#include <chrono>
#include <cstddef>

namespace kavora {

// Every bound and deadline of the peer link in one place. A controller on the LAN is not
// trusted until it is accepted, so each state a connection can sit in has a deadline and each
// buffer a cap. Tests shorten them; the defaults are the production values.
struct LinkLimits {
    using Milliseconds = std::chrono::milliseconds;

    // From the TCP accept to the end of the TLS handshake.
    Milliseconds handshakeTimeout { 5'000 };
    // From the end of the handshake to a complete invitation frame.
    Milliseconds invitationTimeout { 10'000 };
    // From the first byte of a frame (its length included) to its last; more bytes of the same
    // frame do not extend it, so a drip cannot hold a connection open.
    Milliseconds frameTimeout { 10'000 };
    // How long a closing connection may take to flush its last frame before it is cut.
    Milliseconds lingerTimeout { 2'000 };

    // Largest invitation frame and largest frame from an accepted controller (a textInput is the
    // largest message a controller sends).
    std::size_t maxInvitationBytes = std::size_t { 8 } * 1024;
    std::size_t maxFrameBytes = std::size_t { 1024 } * 1024;
    // A peer that stops reading while replies pile up is cut off above this.
    std::size_t maxWriteBacklogBytes = std::size_t { 16 } * 1024 * 1024;
    // Decrypted bytes taken from a socket per read.
    std::size_t readChunkBytes = std::size_t { 64 } * 1024;

    // Connections not yet accepted (in their handshake or invitation), in all and from one
    // address. Only accepted controllers hold the session's slot.
    int maxPendingConnections = 4;
    int maxPendingPerAddress = 2;
    // The kernel's queue of connections not yet accepted by the listener.
    int listenBacklog = 16;

    // Dead-peer detection: a vanished controller is noticed after idle + probes * interval
    // without an answer (30 s), or when sent data stays unacknowledged for userTimeout.
    std::chrono::seconds keepAliveIdle { 15 };
    std::chrono::seconds keepAliveInterval { 5 };
    int keepAliveProbes = 3;
    Milliseconds userTimeout { 30'000 };
};

} // namespace kavora
