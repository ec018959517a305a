// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Feeds arbitrary bytes to the settings-file parser. It must never crash, and what it accepts
// must be storable and come back unchanged from being written and read again.

#include "platform/linux/settings/SettingsDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto parsed = kavora::parseSettingsDocument(text);
    if (!parsed)
        return 0;
    for (const auto& [key, value] : parsed.value()) {
        if (!kavora::isStorableSettingsValue(value))
            std::abort();
    }
    auto again = kavora::parseSettingsDocument(kavora::serializeSettingsDocument(parsed.value()));
    if (!again || again.value() != parsed.value())
        std::abort();
    return 0;
}
