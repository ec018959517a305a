// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/MessageLanguage.h"

#include "presentation/Translation.h"

#include <clocale>
#include <cstdlib>

#include <libintl.h>

namespace kavora {
namespace {

// The locale the environment asks messages to be in: the first of LC_ALL, LC_MESSAGES and LANG
// that is set and not empty.
std::string messageLocaleAskedFor()
{
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return {};
}

bool isNoLanguage(const std::string& locale)
{
    return locale.empty() || locale == "C" || locale == "POSIX";
}

// setlocale(LC_ALL, "") fails as a whole when the environment names a locale that is not
// generated, and leaves every category at "C", where gettext ignores LANGUAGE. Messages then use
// C.UTF-8, which is always there, and the asked locale becomes the LANGUAGE list unless the user
// wrote one: gettext finds the catalogue by its name (ja_JP.UTF-8, ja_JP, ja) all the same.
// Programs started from here see LANGUAGE equal to their own locale, which changes nothing for
// them.
void keepLanguageOfMissingLocale()
{
    const std::string asked = messageLocaleAskedFor();
    // NOLINTNEXTLINE(concurrency-mt-unsafe): before any thread, as the header says
    if (isNoLanguage(asked) || std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr)
        return;
    const char* language = std::getenv("LANGUAGE");
    if (language == nullptr || *language == '\0')
        ::setenv("LANGUAGE", asked.c_str(), 1); // NOLINT(concurrency-mt-unsafe)
}

} // namespace

void useMessageCatalogues(const std::string& folder)
{
    // NOLINTNEXTLINE(concurrency-mt-unsafe): before any thread, as the header says
    if (std::setlocale(LC_ALL, "") == nullptr)
        keepLanguageOfMissingLocale();
    bindtextdomain(kTextDomain, folder.c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
}

} // namespace kavora
