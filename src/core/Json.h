// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <nlohmann/json.hpp>

#include <string_view>

namespace kavora {

// Parses text that must be exactly one JSON value, optionally surrounded by JSON white space;
// anything else gives a discarded value and never throws. The parser alone stops at a NUL byte
// as if the text ended there, so a document followed by a NUL and anything at all would pass;
// JSON has no place for a raw NUL (inside strings it must be escaped), so such text is refused
// here, before parsing. Every JSON text that comes from outside the program is read this way.
nlohmann::json parseJson(std::string_view text,
                         const nlohmann::json::parser_callback_t& callback = nullptr);

} // namespace kavora
