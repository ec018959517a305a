// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

namespace kavora {

struct LinkLimits;

// Sets the link's options on a connected TCP socket: no Nagle delay (pointer motion is many
// small frames), keepalive probes and a user timeout as the limits say, so that a controller
// that vanished without a word is noticed. Failures are ignored: the link works without them,
// only less promptly.
void applyPeerSocketOptions(qintptr descriptor, const LinkLimits& limits);

} // namespace kavora
