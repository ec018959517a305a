#pragma once

#include "presentation/MessageLanguage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace kavora::test {

// Reads the program's texts as a user whose session has LANG=`locale` does (no LANGUAGE, LC_ALL
// or LC_MESSAGES), from the build's catalogues, through the program's own start-up from the "C"
// locale a process starts in. The machine need not have that locale generated.
inline void readTextsAs(const char* locale)
{
    for (const char* name : { "LANGUAGE", "LC_ALL", "LC_MESSAGES" })
        unsetenv(name);
    setenv("LANG", locale, 1);
    std::setlocale(LC_ALL, "C");
    useMessageCatalogues(KAVORA_CATALOGUE_DIR);
}

// For the life of the object, the texts as a user of `locale` reads them; then as before.
class TextsReadAs {
public:
    explicit TextsReadAs(const char* locale)
        : former_(std::getenv("LANG") ? std::getenv("LANG") : "C")
    {
        readTextsAs(locale);
    }
    ~TextsReadAs() { readTextsAs(former_.c_str()); }
    TextsReadAs(const TextsReadAs&) = delete;
    TextsReadAs& operator=(const TextsReadAs&) = delete;

private:
    std::string former_;
};

// A suite that includes this header checks the texts as Japanese users read them: its process
// starts in a Japanese session.
class JapaneseSession final : public ::testing::Environment {
public:
    void SetUp() override { readTextsAs("ja_JP.UTF-8"); }
};
inline ::testing::Environment* const kJapaneseSession
    = ::testing::AddGlobalTestEnvironment(new JapaneseSession);

} // namespace kavora::test
