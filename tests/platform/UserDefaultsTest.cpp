#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

TEST(UserDefaults, TypedReadsTreatAnotherTypeAsAbsent)
{
    InMemoryUserDefaults defaults;
    defaults.setObject("mixed", nlohmann::json::array({ "a", 1 }));
    defaults.setString("text", "x");
    defaults.setStringArray("empty", {});

    EXPECT_FALSE(defaults.stringArray("mixed"));
    EXPECT_FALSE(defaults.stringArray("text"));
    EXPECT_FALSE(defaults.data("text"));
    EXPECT_FALSE(defaults.string("missing"));
    ASSERT_TRUE(defaults.stringArray("empty"));
    EXPECT_TRUE(defaults.stringArray("empty")->empty());
}

TEST(UserDefaults, MissingNumbersReadAsZeroAndFalse)
{
    InMemoryUserDefaults defaults;
    EXPECT_EQ(defaults.doubleValue("macCursorSpeed"), 0.0);
    EXPECT_FALSE(defaults.boolValue("macNaturalScroll"));
    defaults.setDouble("macCursorSpeed", 2.5);
    defaults.setObject("asText", "1.5");
    defaults.setBool("macNaturalScroll", true);
    EXPECT_EQ(defaults.doubleValue("macCursorSpeed"), 2.5);
    EXPECT_EQ(defaults.doubleValue("asText"), 1.5);
    EXPECT_TRUE(defaults.boolValue("macNaturalScroll"));
}

TEST(UserDefaults, BytesStayBytes)
{
    InMemoryUserDefaults defaults;
    defaults.setData("blob", Bytes { 0, 255, 7 });
    ASSERT_TRUE(defaults.data("blob"));
    EXPECT_EQ(*defaults.data("blob"), (Bytes { 0, 255, 7 }));
    EXPECT_FALSE(defaults.string("blob"));
}

} // namespace
} // namespace kavora::test
