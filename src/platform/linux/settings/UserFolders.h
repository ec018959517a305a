// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kavora {

// The user's home folder: $HOME when it is set and absolute, else the password database entry.
// Empty only when neither knows one.
std::filesystem::path homeDirectory();

// The folder that holds the receiver's settings: $XDG_CONFIG_HOME/kavora when that is set and
// absolute (relative values are ignored, as the XDG base-directory rules say), else
// ~/.config/kavora.
std::filesystem::path settingsFolder();

// Creates the folder when missing and takes group and other access away from it (0755 becomes
// 0700); the owner's own bits are left alone, so a folder the user made read-only stays so.
// Returns what went wrong, or nothing.
std::optional<std::string> preparePrivateFolder(const std::filesystem::path& folder);

} // namespace kavora
