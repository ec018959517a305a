#include "platform/linux/system/QtPasteboard.h"

#include "support/linux/ChildProcess.h"
#include "support/linux/PrivateSession.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kavora::test {
namespace {

using ::testing::Contains;
using ::testing::Not;

constexpr std::chrono::seconds kClientTimeout { 10 };

// Each item as "type=data" pairs in order of type, items separated by " | ".
std::string describe(const std::vector<PasteboardItem>& items)
{
    std::string text;
    for (const auto& item : items) {
        std::map<std::string, std::string> formats;
        for (const auto& [type, bytes] : item.representations)
            formats[type] = std::string(bytes.begin(), bytes.end());
        std::string line;
        for (const auto& [type, data] : formats)
            line += (line.empty() ? "" : " ") + type + "=" + data;
        text += (text.empty() ? "" : " | ") + line;
    }
    return text;
}

// The clipboard as another application sees it: xclip, a client that knows nothing of Qt, reads
// it while this process's event loop runs to answer it.
class QtPasteboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const auto missing = missingPrograms({ "Xvfb", "dbus-daemon", "xclip" });
            !missing.empty())
            GTEST_SKIP() << missing;
        PrivateSession::instance().application();
    }

    // The data of one target, or nothing when the clipboard has no owner or lacks the target.
    static std::optional<std::string> read(const std::string& target)
    {
        const auto result
            = run({ "xclip", "-o", "-selection", "clipboard", "-t", target }, {}, kClientTimeout);
        return result.exitStatus == 0 ? std::optional(result.output) : std::nullopt;
    }

    // The targets the owner offers; empty when the clipboard has no owner.
    static std::vector<std::string> targets()
    {
        std::vector<std::string> lines;
        std::istringstream text(read("TARGETS").value_or(""));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }

    // Another application that owns the clipboard with these formats until it is stopped.
    static ChildProcess otherOwner(std::vector<std::string> argv)
    {
        argv.insert(argv.begin(), KAVORA_CLIPBOARD_OWNER);
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
    // Without the targets that only describe the selection (TARGETS, MULTIPLE, TIMESTAMP ...).
    const std::vector<PasteboardItem> saved = pasteboard_.items();
    EXPECT_EQ(describe(saved),
              "application/x-kavora-test=opaque text/html=<b>rich</b> text/plain=rich");

    pasteboard_.clearContents();
    pasteboard_.setString("貼り付け text 🙂");
    EXPECT_EQ(read("UTF8_STRING"), "貼り付け text 🙂");
    EXPECT_THAT(targets(), Not(Contains("text/html")));

    // The paste target never asked, and the former owner is gone: the restore has only what
    // was saved.
    owner.stop();
    restore(saved);
    const auto offered = targets();
    EXPECT_THAT(offered, Contains("application/x-kavora-test"));
    EXPECT_EQ(std::count(offered.begin(), offered.end(), "TARGETS"), 1);
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
    const auto bytes = [](const std::string& text) { return Bytes(text.begin(), text.end()); };
    pasteboard_.clearContents();
    pasteboard_.writeItems(
        { { { { "text/plain", bytes("one") } } },
          { { { "text/plain", bytes("two") }, { "text/html", bytes("<i>") } } } });
    EXPECT_EQ(read("UTF8_STRING"), "one");
    EXPECT_THAT(targets(), Not(Contains("text/html")));
    EXPECT_EQ(describe(pasteboard_.items()), "text/plain=one");
}

} // namespace
} // namespace kavora::test
