// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11Clipboard.h"

#include "support/TemporaryFolder.h"
#include "support/XvfbServer.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kavora::test {
namespace {

using ::testing::Contains;
using ::testing::IsSupersetOf;
using ::testing::Not;
using Formats = std::map<std::string, std::string>;

constexpr std::chrono::seconds kClientTimeout { 10 };

// The one item's formats, type to data; empty for an empty clipboard.
Formats formatsOf(const std::vector<PasteboardItem>& items)
{
    Formats formats;
    for (const auto& [type, bytes] :
         items.empty() ? PasteboardItem {}.representations : items.front().representations)
        formats[type] = std::string(bytes.begin(), bytes.end());
    return formats;
}

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The clipboard as other applications see it: xclip, a client that knows nothing of this
// process, reads it while the event loop runs to answer it; a Qt program owns it as any other
// application does.
class X11ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const auto missing = missingPrograms({ "Xvfb", "dbus-daemon", "xclip" });
            !missing.empty())
            GTEST_SKIP() << missing;
        PrivateSession::instance().application();
        clipboard_.emplace();
    }

    // The data of one target on a display, or nothing when the clipboard has no owner or lacks it.
    static std::optional<std::string> read(const std::string& target,
                                           const std::string& display = {})
    {
        const auto result = run({ "xclip", "-o", "-selection", "clipboard", "-t", target },
                                display.empty() ? EnvironmentChanges {}
                                                : EnvironmentChanges { { "DISPLAY", display } },
                                kClientTimeout);
        return result.exitStatus == 0 ? std::optional(result.output) : std::nullopt;
    }

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
        clipboard_->clearContents();
        if (!saved.empty())
            clipboard_->writeItems(saved);
    }

    std::optional<X11Clipboard> clipboard_;
};

TEST_F(X11ClipboardTest, TakesTheClipboardFromAnotherOwnerAndPutsItsFormatsBackAfterItHasGone)
{
    ChildProcess owner = otherOwner({ "text/html", "<b>rich</b>", "text/plain", "rich",
                                      "application/x-kavora-test", "opaque" });
    // Without the targets that only describe the selection (TARGETS, MULTIPLE, TIMESTAMP ...).
    const auto saved = clipboard_->items();
    const auto formats = formatsOf(saved);
    EXPECT_THAT(formats,
                IsSupersetOf(Formats { { "application/x-kavora-test", "opaque" },
                                       { "text/html", "<b>rich</b>" },
                                       { "UTF8_STRING", "rich" } }));
    EXPECT_EQ(formats.count("TARGETS") + formats.count("TIMESTAMP") + formats.count("TEXT"), 0u);

    // The other owner claimed the clipboard after anything this process heard from the server.
    clipboard_->clearContents();
    ASSERT_TRUE(clipboard_->setString("貼り付け text 🙂"));
    EXPECT_EQ(read("UTF8_STRING"), "貼り付け text 🙂");
    EXPECT_EQ(read("TEXT"), "貼り付け text 🙂");
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

TEST_F(X11ClipboardTest, EmptyClipboardHasNoItemsAndIsEmptyAgainAfterTheRestore)
{
    clipboard_->setString("leftover");
    clipboard_->clearContents();
    const auto saved = clipboard_->items();
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(read("TARGETS"), std::nullopt);
    ASSERT_TRUE(clipboard_->setString("typed"));
    EXPECT_EQ(read("UTF8_STRING"), "typed");
    EXPECT_EQ(read("STRING"), "typed");
    restore(saved);
    EXPECT_EQ(read("TARGETS"), std::nullopt);
    EXPECT_TRUE(clipboard_->items().empty());
}

TEST_F(X11ClipboardTest, OverlappingPastesEndWithTheFirstPastedText)
{
    ChildProcess owner = otherOwner({ "text/plain", "before" });
    const auto savedByFirst = clipboard_->items();
    clipboard_->clearContents();
    ASSERT_TRUE(clipboard_->setString("first"));
    const auto savedBySecond = clipboard_->items(); // this process's own content now
    clipboard_->clearContents();
    ASSERT_TRUE(clipboard_->setString("second"));

    restore(savedByFirst);
    EXPECT_EQ(read("UTF8_STRING"), "before");
    restore(savedBySecond);
    EXPECT_EQ(read("UTF8_STRING"), "first");
}

TEST_F(X11ClipboardTest, WritingSeveralItemsKeepsTheFirst)
{
    clipboard_->writeItems(
        { { { { "text/plain", bytesOf("one") } } },
          { { { "text/plain", bytesOf("two") }, { "text/html", bytesOf("<i>") } } } });
    EXPECT_EQ(read("UTF8_STRING"), "one") << "text/plain is offered as UTF8_STRING too";
    EXPECT_THAT(targets(), Not(Contains("text/html")));
    EXPECT_EQ(formatsOf(clipboard_->items()), (Formats { { "text/plain", "one" } }));
}

// Beyond what one request carries, data travels in pieces (INCR) both ways.
TEST_F(X11ClipboardTest, LargeDataIsReadAndServedInPieces)
{
    std::string large(3 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>('a' + i % 23);
    const TemporaryFolder folder;
    const auto file = (folder.path() / "large").string();
    std::ofstream(file) << large;
    ChildProcess owner({ { "xclip", "-selection", "clipboard", "-t", "application/x-kavora-large",
                           "-quiet", file },
                         {},
                         true,
                         "/dev/null" });
    ASSERT_TRUE(pollUntil([] { return read("TARGETS").has_value(); }));
    const auto saved = clipboard_->items();
    EXPECT_EQ(formatsOf(saved)["application/x-kavora-large"].size(), large.size());
    owner.stop();
    restore(saved);
    EXPECT_EQ(read("application/x-kavora-large"), large);
}

// Qt answers for a window of this process only from the event loop, which waits while the
// clipboard is read: its data is taken from Qt instead of waiting out the read budget.
TEST_F(X11ClipboardTest, TextCopiedInAWindowOfThisProcessIsSavedAtOnce)
{
    ASSERT_TRUE(pollUntil([] {
        QGuiApplication::clipboard()->setText("copied in a window of ours");
        return read("UTF8_STRING") == "copied in a window of ours";
    }));
    const auto started = std::chrono::steady_clock::now();
    auto formats = formatsOf(clipboard_->items());
    EXPECT_LT(std::chrono::steady_clock::now() - started, X11Clipboard::kReadBudget / 2);
    EXPECT_EQ(formats["text/plain"], "copied in a window of ours");
}

// While the display is gone, nothing can be set, so a paste would insert what is already there;
// a server started again on the same display is used at once.
TEST_F(X11ClipboardTest, RefusesTheTextWhileTheDisplayIsGoneAndTakesItOnceItIsBack)
{
    XvfbServer server = XvfbServer::restartable();
    ASSERT_TRUE(server.running());
    X11Clipboard clipboard(server.displayName());
    EXPECT_TRUE(clipboard.setString("before"));
    server.stop();
    EXPECT_FALSE(clipboard.setString("while gone"));
    EXPECT_TRUE(clipboard.items().empty());
    ASSERT_TRUE(server.restart());
    EXPECT_TRUE(clipboard.setString("after"));
    EXPECT_EQ(read("UTF8_STRING", server.displayName()), "after");
}

} // namespace
} // namespace kavora::test
