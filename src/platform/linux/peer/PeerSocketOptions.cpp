// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/PeerSocketOptions.h"

#include "platform/linux/peer/LinkLimits.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace kavora {

namespace {

void setOption(qintptr descriptor, int level, int name, int value)
{
    ::setsockopt(static_cast<int>(descriptor), level, name, &value, sizeof value);
}

} // namespace

void applyPeerSocketOptions(qintptr descriptor, const LinkLimits& limits)
{
    if (descriptor < 0)
        return;
    setOption(descriptor, IPPROTO_TCP, TCP_NODELAY, 1);
    setOption(descriptor, SOL_SOCKET, SO_KEEPALIVE, 1);
    setOption(descriptor, IPPROTO_TCP, TCP_KEEPIDLE,
              static_cast<int>(limits.keepAliveIdle.count()));
    setOption(descriptor, IPPROTO_TCP, TCP_KEEPINTVL,
              static_cast<int>(limits.keepAliveInterval.count()));
    setOption(descriptor, IPPROTO_TCP, TCP_KEEPCNT, limits.keepAliveProbes);
    setOption(descriptor, IPPROTO_TCP, TCP_USER_TIMEOUT,
              static_cast<int>(limits.userTimeout.count()));
}

} // namespace kavora
