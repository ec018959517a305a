// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

class JsonFileUserDefaults;

// `kavora web [on | off]`: args are the words after "web". "on" and "off" set the
// linuxBrowserControl setting, which a running receiver takes within a second; then, and without
// a word, the running receiver is asked (askAddress) for the address with a fresh pairing code,
// which is printed with its QR code as text. askAddress returns nothing when no receiver
// answered and an empty text while the page is not served. Returns 0 when an address was
// printed or the page was switched off, 1 when there is none to print or the switch could not be
// saved, 2 on wrong usage.
int runWebCommand(const std::vector<std::string>& args, JsonFileUserDefaults& defaults,
                  const std::function<std::optional<std::string>()>& askAddress, std::ostream& out,
                  std::ostream& err);

} // namespace kavora
