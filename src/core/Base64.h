// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"

#include <optional>
#include <string>
#include <string_view>

namespace kavora {

// Standard base64: the RFC 4648 alphabet with "=" padding and no line breaks.
std::string encodeBase64(const Bytes& bytes);
// Appends the base64 text of bytes to out, for writers that build a larger text.
void appendBase64(std::string& out, const Bytes& bytes);

// Accepts only the canonical text that encodeBase64 writes: a length that is a multiple of four,
// padding only at the end, unused trailing bits zero, no whitespace. Anything else is nullopt.
std::optional<Bytes> decodeBase64(std::string_view text);

// The URL- and file-safe form: "-" and "_" for "+" and "/", no padding (browser credentials and
// pairing codes, which travel in addresses and JSON). Decoding is as strict as decodeBase64's.
std::string encodeBase64Url(const Bytes& bytes);
std::optional<Bytes> decodeBase64Url(std::string_view text);

} // namespace kavora
