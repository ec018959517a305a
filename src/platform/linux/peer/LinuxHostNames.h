// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/HostNames.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace kavora {

// The computer's names on a systemd-style Linux system: the pretty host name from
// /etc/machine-info (where hostnamed keeps it), the host name from the kernel.
class LinuxHostNames final : public HostNames {
public:
    explicit LinuxHostNames(std::filesystem::path machineInfo = "/etc/machine-info");

    std::string prettyHostName() const override;
    std::string hostName() const override;

private:
    std::filesystem::path machineInfo_;
};

// The PRETTY_HOSTNAME value of a machine-info file: an environment-style assignment whose value
// may be quoted with double or single quotes and use backslash escapes. Empty when absent.
std::string prettyHostNameFromMachineInfo(std::string_view text);

} // namespace kavora
