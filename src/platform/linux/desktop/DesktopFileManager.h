// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace kavora {

// The id under which the controller device names the Mac's file manager, its pinned "Finder".
// On Linux it stands for whatever file manager the desktop opens folders with.
inline constexpr std::string_view kFinderBundleId = "com.apple.finder";

// The desktop entry of the desktop's file manager: the default application for folders
// ("inode/directory"), or nothing when there is none.
std::optional<std::filesystem::path> fileManagerEntry();

} // namespace kavora
