// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/Json.h"

namespace kavora {

nlohmann::json parseJson(std::string_view text, const nlohmann::json::parser_callback_t& callback)
{
    if (text.find('\0') != std::string_view::npos) {
        // Not braces: they would make a list holding the value.
        nlohmann::json discarded(nlohmann::json::value_t::discarded);
        return discarded;
    }
    return nlohmann::json::parse(text.begin(), text.end(), callback, false);
}

} // namespace kavora
