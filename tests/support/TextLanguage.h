// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "presentation/MessageLanguage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace kavora::test {

// Reads the program's texts from now on as a session with only LANG=`locale` does, through the
// program's own start-up from the "C" locale a process starts in, with the build's catalogues.
// The machine need not have that locale generated.
inline void readTextsAs(const char* locale)
{
    for (const char* name : { "LANGUAGE", "LC_ALL", "LC_MESSAGES" })
        unsetenv(name);
    setenv("LANG", locale, 1);
    std::setlocale(LC_ALL, "C");
    useMessageCatalogues(KAVORA_CATALOGUE_DIR);
}

// A suite that includes this header checks the texts as Japanese users read them.
class JapaneseSession final : public ::testing::Environment {
    void SetUp() override { readTextsAs("ja_JP.UTF-8"); }
};
inline ::testing::Environment* const kJapaneseSession
    = ::testing::AddGlobalTestEnvironment(new JapaneseSession);

} // namespace kavora::test
