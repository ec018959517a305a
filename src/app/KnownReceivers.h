// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

namespace kavora {

// The receivers kavora-remote has met, by the host they were reached at: their certificates'
// fingerprints, kept in a JSON file, so that a different certificate later is refused.
class KnownReceivers {
public:
    explicit KnownReceivers(std::filesystem::path file);

    // Whether the receiver at host may be trusted with this fingerprint: yes when it is the one
    // remembered, or when none is and it could be remembered now (which is said on err).
    // refusal says why not.
    bool check(const std::string& host, const std::string& fingerprint, std::string& refusal,
               std::ostream& err);

private:
    std::filesystem::path file_;
};

} // namespace kavora
