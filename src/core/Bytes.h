// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <vector>

namespace kavora {

// A buffer of raw bytes (image data, keys), owned by value.
using Bytes = std::vector<std::uint8_t>;

} // namespace kavora
