#pragma once

#include <filesystem>

namespace kavora {

// The user's home folder: $HOME when it is set and absolute, else the password database entry.
// Empty only when neither knows one.
std::filesystem::path homeDirectory();

// The folder that holds the receiver's settings: $XDG_CONFIG_HOME/kavora when that is set and
// absolute (relative values are ignored, as the XDG base-directory rules say), else
// ~/.config/kavora.
std::filesystem::path settingsFolder();

} // namespace kavora
