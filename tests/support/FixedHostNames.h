// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/HostNames.h"

#include <string>
#include <utility>

namespace kavora::test {

// The names a test gives the computer.
class FixedHostNames final : public HostNames {
public:
    FixedHostNames(std::string pretty, std::string host)
        : pretty_(std::move(pretty))
        , host_(std::move(host))
    {
    }
    std::string prettyHostName() const override { return pretty_; }
    std::string hostName() const override { return host_; }

private:
    std::string pretty_;
    std::string host_;
};

} // namespace kavora::test
