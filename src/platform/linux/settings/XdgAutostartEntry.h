// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/LoginStart.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kavora {

// Start at login through the XDG autostart folder: on is a desktop entry
// ($XDG_CONFIG_HOME/autostart/<application id>.desktop) that starts the program with --autostart,
// off is no such file. An entry that a desktop's session settings disabled (Hidden=true, or
// X-GNOME-Autostart-enabled=false) reads off; switching on writes it whole again.
class XdgAutostartEntry final : public LoginStart {
public:
    // `program` is the absolute path the entry starts.
    XdgAutostartEntry(std::filesystem::path file, std::filesystem::path program);

    // The user's entry file for this program.
    static std::filesystem::path userFile();

    const std::filesystem::path& file() const { return file_; }

    bool isEnabled() const override;
    std::optional<std::string> setEnabled(bool enabled) override;

private:
    std::filesystem::path file_;
    std::filesystem::path program_;
};

// The value of a desktop entry's Exec key that runs `arguments` (the program first): each
// argument quoted where the entry format requires it, '%' doubled, and the whole escaped as a
// string value.
std::string desktopExecValue(const std::vector<std::string>& arguments);

} // namespace kavora
