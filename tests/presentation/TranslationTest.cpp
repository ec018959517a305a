// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/Translation.h"

#include "support/TextLanguage.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(Translation, PlaceholdersAreFilledByNameAndValuesAreNotReadAgain)
{
    const std::pair<const char*, std::string> rows[] = {
        { "{name} asks, code {code}", "{code} asks, code 123" },
        { "{code}{code}", "123123" },
        { "{unknown} and {name", "{unknown} and {name" },
    };
    for (const auto& [text, filled] : rows)
        EXPECT_EQ(fillIn(text, { { "name", "{code}" }, { "code", "123" } }), filled) << text;
}

} // namespace
} // namespace kavora
