// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <cstddef>

namespace kavora {

// Every bound and deadline of the peer link in one place. A controller on the LAN is not
// trusted until it is accepted, so each state a connection can sit in has a deadline and each
// buffer a cap. Tests shorten them; the defaults are the production values.
struct LinkLimits {
    using Milliseconds = std::chrono::milliseconds;

    // From the TCP accept to the end of the TLS handshake, and from there to a complete
    // invitation frame: short, since a connection that has not yet said who it is only takes a
    // place that others under a flood need.
    Milliseconds handshakeTimeout { 3'000 };
    Milliseconds invitationTimeout { 2'000 };
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

    // Connections that have not yet sent their invitation (in their handshake or after it), in
    // all and from one address. At the overall cap a new connection evicts the oldest of the
    // address that has the most, so that a flood cannot keep a controller out; over the cap of
    // its address it is closed at once. Only accepted controllers hold the session's slot.
    int maxPendingConnections = 64;
    int maxPendingPerAddress = 4;
    // The kernel's queue of connections not yet accepted by the listener.
    int listenBacklog = 64;

    // A browser's HTTP request head: its size, and how long it may take from the end of the TLS
    // handshake or of the previous answer on the same connection.
    std::size_t maxRequestHeadBytes = std::size_t { 8 } * 1024;
    Milliseconds requestHeadTimeout { 5'000 };
    // A browser opens up to six connections at once for the page's files and keeps them a while,
    // and one phone may hold two pages (a reload, a second tab, the page and its home-screen
    // app), so the web listener allows more per address than the link's.
    int maxPendingPerBrowserAddress = 16;

    // Held invitations, waiting for the user's answer: how many at once, how long at most (as a
    // backstop, longer than a request may wait for its turn and then be asked, 30 s each), and how
    // many frames a held controller may send (they are dropped) before it is closed.
    int maxHeldConnections = 4;
    Milliseconds heldTimeout { 75'000 };
    int maxHeldFrames = 8;
    // Invitations that are held (pairing requests) from one address within the window; more are
    // declined at once.
    int maxPairingRequestsPerAddress = 3;
    Milliseconds pairingWindow { 60'000 };

    // Dead-peer detection: a vanished controller is noticed after idle + probes * interval
    // without an answer (30 s), or when sent data stays unacknowledged for userTimeout.
    std::chrono::seconds keepAliveIdle { 15 };
    std::chrono::seconds keepAliveInterval { 5 };
    int keepAliveProbes = 3;
    Milliseconds userTimeout { 30'000 };
};

} // namespace kavora
