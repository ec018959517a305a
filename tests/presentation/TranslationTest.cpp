#include "presentation/Translation.h"

#include "presentation/ConnectionStatus.h"
#include "presentation/ConsentTexts.h"
#include "presentation/FormTexts.h"
#include "presentation/MessageLanguage.h"
#include "support/TextLanguage.h"

#include <gtest/gtest.h>

#include <map>

namespace kavora {
namespace {

TEST(Translation, PlaceholdersAreFilledByNameAndValuesAreNotReadAgain)
{
    const std::pair<const char*, std::string> rows[] = {
        { "{name} asks, code {code}", "{code} asks, code 123" }, // a value is never a placeholder
        { "{code}{code}", "123123" },
        { "{unknown} and {name", "{unknown} and {name" },
        { "no placeholder", "no placeholder" },
    };
    for (const auto& [text, filled] : rows)
        EXPECT_EQ(fillIn(text, { { "name", "{code}" }, { "code", "123" } }), filled) << text;
}

TEST(Translation, EveryOtherLanguageReadsTheEnglishOfTheSource)
{
    const test::TextsReadAs german("de_DE.UTF-8");
    const TrustedDevice unseen { "0123" + std::string(56, 'e') + "6789", "", {}, std::nullopt };
    EXPECT_EQ(statusText({ true, false, "Pad" }), "Connected · Pad");
    EXPECT_EQ(consentHeadline({ 1, "", "", "" }),
              "“Unnamed device” wants to control this computer");
    EXPECT_EQ(trustedDeviceDetail(unseen, ""), "Never connected · 0123…6789");
    EXPECT_EQ(systemButtonsNote(), "Choose up to 3 buttons to show at the top of the launcher.");
    EXPECT_EQ(favoriteSitesHeader(2), "Favourite sites (2/10)");
}

TEST(Translation, TheLocaleOfMessagesIsTheFirstVariableSet)
{
    using Environment = std::map<std::string, std::string>;
    const std::pair<Environment, std::string> rows[] = {
        { { { "LC_ALL", "ja_JP.UTF-8" }, { "LC_MESSAGES", "en_GB.UTF-8" }, { "LANG", "de_DE" } },
          "ja_JP.UTF-8" },
        { { { "LC_ALL", "" }, { "LC_MESSAGES", "en_GB.UTF-8" }, { "LANG", "ja_JP.UTF-8" } },
          "en_GB.UTF-8" },
        { { { "LANG", "ja_JP.UTF-8" } }, "ja_JP.UTF-8" },
        { {}, "" },
    };
    for (const auto& [environment, locale] : rows) {
        EXPECT_EQ(messageLocaleAskedFor([&](const char* name) {
                      const auto found = environment.find(name);
                      return found == environment.end() ? nullptr : found->second.c_str();
                  }),
                  locale);
    }
}

} // namespace
} // namespace kavora
