#include "platform/linux/system/QtPasteboard.h"

#include "support/linux/ChildProcess.h"
#include "support/linux/PrivateSession.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kavora {
namespace {

using test::ChildProcess;
using test::PrivateSession;
using ::testing::Contains;
using ::testing::Not;

constexpr std::chrono::seconds kClientTimeout { 10 };

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

std::map<std::string, std::string> asMap(const PasteboardItem& item)
{
    std::map<std::string, std::string> formats;
    for (const auto& [type, bytes] : item.representations)
        formats[type] = std::string(bytes.begin(), bytes.end());
    return formats;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// The clipboard as another application sees it: xclip, a client that knows nothing of Qt, reads
// it while this process's event loop runs to answer it.
class QtPasteboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const auto missing = test::missingPrograms({ "Xvfb", "dbus-daemon", "xclip" });
            !missing.empty())
            GTEST_SKIP() << missing;
        PrivateSession::instance().application();
    }

    // The data of one target, or nothing when the clipboard has no owner or lacks the target.
    static std::optional<std::string> read(const std::string& target)
    {
        const auto result = test::run({ "xclip", "-o", "-selection", "clipboard", "-t", target },
                                      {}, kClientTimeout);
        if (result.exitStatus != 0)
            return std::nullopt;
        return result.output;
    }

    // The targets the owner offers, one per line; empty when the clipboard has no owner.
    static std::vector<std::string> targets() { return lines(read("TARGETS").value_or("")); }

    // Another application that owns the clipboard with these formats until it is stopped.
    static ChildProcess otherOwner(const std::vector<std::string>& typesAndTexts)
    {
        std::vector<std::string> argv { KAVORA_CLIPBOARD_OWNER };
        argv.insert(argv.end(), typesAndTexts.begin(), typesAndTexts.end());
        ChildProcess owner({ argv, { { "QT_QPA_PLATFORM", "xcb" } }, true, {} });
        EXPECT_EQ(owner.readLine(kClientTimeout), "OWNED");
        return owner;
    }

    // The restore step of a paste: clear, then put the saved items back when there are any.
    void restore(const std::vector<PasteboardItem>& saved)
    {
        pasteboard_.clearContents();
        if (!saved.empty())
            pasteboard_.writeItems(saved);
    }

    QtPasteboard pasteboard_;
};

TEST_F(QtPasteboardTest, SavesEveryFormatOfAnotherOwnerAndRestoresThemAfterItHasGone)
{
    ChildProcess owner = otherOwner({ "text/html", "<b>rich</b>", "text/plain", "rich",
                                      "application/x-kavora-test", "opaque" });

    const std::vector<PasteboardItem> saved = pasteboard_.items();
    ASSERT_EQ(saved.size(), 1U);
    const auto formats = asMap(saved.front());
    EXPECT_EQ(formats.at("text/html"), "<b>rich</b>");
    EXPECT_EQ(formats.at("text/plain"), "rich");
    EXPECT_EQ(formats.at("application/x-kavora-test"), "opaque");
    for (const char* meta : { "TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS" })
        EXPECT_EQ(formats.count(meta), 0U) << meta;

    pasteboard_.clearContents();
    pasteboard_.setString("貼り付け text 🙂");
    EXPECT_EQ(read("UTF8_STRING"), "貼り付け text 🙂");
    EXPECT_THAT(targets(), Not(Contains("text/html")));

    // The paste target never asked, and the former owner is gone: the restore has only what
    // was saved.
    owner.stop();
    restore(saved);

    const auto targetList = targets();
    EXPECT_THAT(targetList, Contains("text/html"));
    EXPECT_THAT(targetList, Contains("application/x-kavora-test"));
    EXPECT_EQ(std::count(targetList.begin(), targetList.end(), "TARGETS"), 1);
    EXPECT_EQ(read("text/html"), "<b>rich</b>");
    EXPECT_EQ(read("UTF8_STRING"), "rich");
    EXPECT_EQ(read("application/x-kavora-test"), "opaque");
}

TEST_F(QtPasteboardTest, EmptyClipboardHasNoItemsAndIsEmptyAgainAfterTheRestore)
{
    pasteboard_.clearContents();
    const std::vector<PasteboardItem> saved = pasteboard_.items();
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(read("TARGETS"), std::nullopt);

    pasteboard_.setString("typed");
    EXPECT_EQ(read("UTF8_STRING"), "typed");

    restore(saved);
    EXPECT_EQ(read("TARGETS"), std::nullopt);
    EXPECT_TRUE(pasteboard_.items().empty());
}

TEST_F(QtPasteboardTest, OverlappingPastesEndWithTheFirstPastedText)
{
    ChildProcess owner = otherOwner({ "text/plain", "before" });

    const auto savedByFirst = pasteboard_.items();
    pasteboard_.clearContents();
    pasteboard_.setString("first");
    const auto savedBySecond = pasteboard_.items(); // this process's own content now
    pasteboard_.clearContents();
    pasteboard_.setString("second");

    restore(savedByFirst);
    EXPECT_EQ(read("UTF8_STRING"), "before");
    restore(savedBySecond);
    EXPECT_EQ(read("UTF8_STRING"), "first");
}

TEST_F(QtPasteboardTest, WritingSeveralItemsKeepsTheFirst)
{
    const PasteboardItem first { { { "text/plain", bytesOf("one") } } };
    const PasteboardItem second { { { "text/plain", bytesOf("two") },
                                    { "text/html", bytesOf("<i>two</i>") } } };
    pasteboard_.clearContents();
    pasteboard_.writeItems({ first, second });

    EXPECT_EQ(read("UTF8_STRING"), "one");
    EXPECT_THAT(targets(), Not(Contains("text/html")));
    const auto items = pasteboard_.items();
    ASSERT_EQ(items.size(), 1U);
    EXPECT_EQ(asMap(items.front()).at("text/plain"), "one");
}

} // namespace
} // namespace kavora
