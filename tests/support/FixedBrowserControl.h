// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/BrowserControl.h"

#include <string>
#include <utility>

namespace kavora::test {

// Control from a browser with the switch and the address a test gives it: switching keeps the
// value and serves nothing, and a renewal publishes the same address again.
class FixedBrowserControl final : public BrowserControl {
public:
    FixedBrowserControl(bool enabled, std::string address)
        : enabled_(enabled)
        , address_(std::move(address))
    {
    }

    const Published<bool>& isEnabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_.set(enabled); }
    const Published<std::string>& pairingAddress() const override { return address_; }
    void renewPairingAddress() override { address_.set(*address_); }

private:
    Published<bool> enabled_;
    Published<std::string> address_;
};

} // namespace kavora::test
