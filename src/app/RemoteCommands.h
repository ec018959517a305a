// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace kavora {

// The controller commands of kavora-remote. Each takes the arguments after its own name and
// returns the process exit status: 0 done, 1 failed, 2 wrong usage. They run a Qt event loop,
// making the application object when there is none.

// kavora-remote keeps its identity (certificate and key) and the fingerprints of the receivers
// it has met in $XDG_CONFIG_HOME/kavora-remote (~/.config/kavora-remote), made on first use.
std::filesystem::path remoteConfigFolder();
inline constexpr const char* kKnownReceiversFileName = "known-receivers.json";

// identity: prints the SHA-256 fingerprint of kavora-remote's certificate (64 lower-case hex
// digits), making the identity first when there is none.
int runIdentity(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// connect HOST:PORT [--name NAME] [--wait SECONDS]: joins the receiver as a controller with
// kavora-remote's identity. The receiver's fingerprint is remembered for HOST the first time and
// a different one later is refused. When the receiver asks its user, the verification code is
// printed on err and the final answer awaited. Then it sends each JSON line of the input as one
// message (a line that does not decode is reported on err and skipped), prints every message
// received as one JSON line on out, and leaves at the end of the input, after waiting SECONDS
// more for replies.
int runConnect(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err);
int runConnect(const std::vector<std::string>& args);

// browse [--timeout SECONDS]: lists the receivers announced over DNS-SD, one JSON line each
// with name, host, address, port and TXT entries, for SECONDS (3 unless given).
int runBrowse(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runBrowse(const std::vector<std::string>& args);

} // namespace kavora
