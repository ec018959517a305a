// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace kavora {

struct ReceiverOptions;

// Builds the receiver on the real desktop services and runs the event loop until the process
// is asked to stop (SIGINT, SIGTERM). Returns the exit status.
int runReceiver(int argc, char** argv, const ReceiverOptions& options);

} // namespace kavora
