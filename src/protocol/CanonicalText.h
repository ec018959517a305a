// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string_view>

namespace kavora {

// True when a and b are the same Unicode text under canonical equivalence, that is when their
// canonical decompositions (NFD) are identical: "é" precomposed equals "e" followed by U+0301.
// Text that is not valid UTF-8 has no normal form and is compared byte for byte.
bool canonicallyEqual(std::string_view a, std::string_view b);

} // namespace kavora
