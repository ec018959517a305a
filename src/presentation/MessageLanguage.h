// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace kavora {

// Which language the program's texts are read in, chosen as desktop programs choose it: the locale
// of messages (LC_ALL, else LC_MESSAGES, else LANG), with GNU's LANGUAGE list of preferences
// before it unless that locale is "C" (no language asked for). Japanese where asked for, English
// (the texts of the source) otherwise.

// Sets the process's locale from the environment and reads the catalogues from `folder`
// (<folder>/LANG/LC_MESSAGES/kavora.mo). Debian generates only the locales chosen at
// installation, and where the asked locale is not generated the C library falls back to "C",
// where texts stay English; the language asked for is kept all the same (see the .cpp).
//
// Called at the start of main(), before any other thread and before the Qt application object:
// that sets the locale from the environment again, which changes nothing in either case.
void useMessageCatalogues(const std::string& folder);

} // namespace kavora
