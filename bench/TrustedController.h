// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "link/TrustedDevices.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "support/CapturingLog.h"

#include <filesystem>
#include <string>

namespace kavora::bench {

// The bench's own controller identity (in identityFolder), as kavora-remote makes its own,
// trusted in the receiver's settings folder before the receiver starts, as a device the user
// allowed once.
inline Result<TlsIdentity> trustedController(const std::filesystem::path& identityFolder,
                                             const std::filesystem::path& settingsFolder,
                                             const std::string& name)
{
    auto identity = loadOrCreateTlsIdentity(identityFolder, kControllerIdentityFiles);
    if (!identity)
        return identity;
    test::CapturingLog quiet;
    JsonFileUserDefaults settings(settingsFolder, quiet);
    TrustedDevices(settings, [] {
        return WallTime {};
    }).trust(certificateSha256(identity.value().certificate), name, TrustedDevices::Seen::NotYet);
    return identity;
}

} // namespace kavora::bench
