// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"

#include <optional>
#include <string>

class QIcon;

namespace kavora {

// Application icons as the controller device shows them: 64 x 64 PNG images, the source
// stretched to fill the square. Main thread only, with a QGuiApplication; nothing is answered
// when the icon cannot be found, drawn or encoded.

// The icon a desktop entry names (Icon=): a name looked up in the icon theme, or an image file
// given by its absolute path. The theme is set up on first use (see ApplicationIcon.cpp).
std::optional<Bytes> applicationIconPNG(const std::string& desktopFileLocation);

// The icon drawn at 64 x 64 and encoded as PNG.
std::optional<Bytes> renderIconPNG(const QIcon& icon);

} // namespace kavora
