// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kavora {

class JsonFileUserDefaults;

// `kavora devices list | allow FINGERPRINT | revoke FINGERPRINT | rename FINGERPRINT NAME`: args
// are the words after "devices". Prints to out and err and returns the exit status
// (SettingsCommand): 0 done, 1 no such device or the change could not be saved, 2 a usage error
// (including a malformed fingerprint, which changes nothing). A running receiver takes a change
// within a second: an allowed controller that is waiting for an answer is accepted, a revoked one
// that is connected is disconnected.
int runDevicesCommand(const std::vector<std::string>& args, JsonFileUserDefaults& defaults,
                      std::ostream& out, std::ostream& err);

} // namespace kavora
