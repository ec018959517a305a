// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace kavora {

// Marks a text the user reads where a layer below the views defines it, so that the catalogue's
// extraction finds it; the view that shows it looks it up (i18n in presentation/Translation.h).
constexpr const char* translatable(const char* english)
{
    return english;
}

} // namespace kavora
