// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavora {

// Checks on what a peer asks to launch or open, made before anything is started: an id or an
// address that passes is handed to the launcher as one argument, never through a shell, and can
// neither name a path nor be read as an option.

// The desktop-file id ("org.gnome.Nautilus.desktop") of an application id such as
// "org.gnome.Nautilus"; nothing for an empty or overlong id, invalid UTF-8, a control character,
// white space, a path separator, or a leading '-' or '.'. An id that already ends in ".desktop"
// is kept as it is.
std::optional<std::string> desktopFileIdFor(std::string_view applicationId);

// True for an absolute http or https address (scheme in any case) with a host, without control
// characters and within the length limit.
bool isOpenableWebAddress(std::string_view url);

} // namespace kavora
