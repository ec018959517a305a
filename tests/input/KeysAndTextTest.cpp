// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/InjectorFixture.h"
#include "input/TextUnits.h"

#include <functional>
#include <sstream>

namespace kavora::test {
namespace {

const Lines kCommandV = commandStroke(9);

TEST(KeysTable, KeyDownPostsModifiersAroundOneFullStroke)
{
    struct Row {
        const char* name;
        ControlMessage message;
        Lines expected;
    };
    // clang-format off
    const Row rows[] = {
        { "plain a", msg::KeyDown { 0x00, 0x04 }, { "key 0 down flags 0x0", "key 0 up flags 0x0" } },
        { "left Control and right Shift", msg::KeyDown { 0x21, 0x16 },
          { "key 59 down", "key 56 down", "key 1 down flags 0x60000", "key 1 up flags 0x60000", "key 56 up", "key 59 up" } },
        { "right Command Return", msg::KeyDown { 0x88, 0x28 }, commandStroke(36) },
        { "all modifiers, in table order and back", msg::KeyDown { 0xF0, 0x52 },
          { "key 59 down", "key 56 down", "key 58 down", "key 55 down", "key 126 down flags 0x1e0000",
            "key 126 up flags 0x1e0000", "key 55 up", "key 58 up", "key 56 up", "key 59 up" } },
        { "a usage without a key posts nothing, not even its modifiers", msg::KeyDown { 0x08, 0x31 }, {} },
        { "swipe back is Command+[", msg::SwipeBack {}, commandStroke(33) },
        { "swipe forward is Command+]", msg::SwipeForward {}, commandStroke(30) },
        { "key up is nothing", msg::KeyUp {}, {} },
    };
    // clang-format on
    for (const auto& row : rows) {
        InjectorHarness h;
        h.inject(row.message);
        EXPECT_EQ(h.events.lines(), row.expected) << row.name;
    }
}

// The lines of typing these UTF-16 units, one down/up pair each.
Lines typed(std::initializer_list<unsigned> units)
{
    Lines lines;
    for (const unsigned unit : units) {
        std::ostringstream hex;
        hex << std::hex << unit;
        lines.push_back("key 0 down unicode 0x" + hex.str());
        lines.push_back("key 0 up unicode 0x" + hex.str());
    }
    return lines;
}

TEST(TextTable, OneCharacterIsTypedUnitByUnitLongerTextIsPasted)
{
    struct Row {
        const char* name;
        std::string text;
        Lines expected;
    };
    // clang-format off
    const Row rows[] = {
        { "empty", "", {} },
        { "one letter", "a", typed({ 0x61 }) },
        { "e with a combining accent", "e\u0301", typed({ 0x65, 0x301 }) },
        { "outside the BMP", "\U0001F600", typed({ 0xd83d, 0xde00 }) },
        { "a flag", "\U0001F1EF\U0001F1F5", typed({ 0xd83c, 0xddef, 0xd83c, 0xddf5 }) },
        { "a joined emoji", "\U0001F469\u200D\U0001F4BB", typed({ 0xd83d, 0xdc69, 0x200d, 0xd83d, 0xdcbb }) },
        { "CR LF", "\r\n", typed({ 0x0d, 0x0a }) },
        { "a stray byte", "\xff", typed({ 0xfffd }) },
        { "a stray byte takes a combining accent as U+FFFD does", "\xff\u0301", typed({ 0xfffd, 0x301 }) },
        { "two letters", "ab", kCommandV },
        { "two flags", "\U0001F1EF\U0001F1F5\U0001F1FA\U0001F1F8", kCommandV },
        { "a letter and a stray byte", "a\xff", kCommandV },
        { "a truncated sequence", "\xe3\x81", kCommandV },
    };
    // clang-format on
    EXPECT_FALSE(isSingleCharacter("")) << "no character is not one";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        InjectorHarness h;
        h.inject(msg::TextInput { row.text });
        EXPECT_EQ(h.events.lines(), row.expected);
        const Lines pasteboardChanges
            = row.expected == kCommandV ? Lines { "clear", "set " + row.text } : Lines {};
        EXPECT_EQ(h.pasteboard.operations, pasteboardChanges);
    }
}

TEST(TextTable, WhereKeysOrThePasteboardCannotCarryTheTextTheOtherWayIsTakenOrNone)
{
    struct Row {
        const char* name;
        std::string text;
        bool typable;
        bool pastable;
        bool takable; // whether the pasteboard can be taken at the moment of the paste
        Lines expected;
        std::size_t logLines;
    };
    // clang-format off
    const Row rows[] = {
        { "one character the keys cannot type is pasted", "\u00e9", false, true, true, kCommandV, 0 },
        { "longer text is typed where nothing can be pasted", "ab", true, false, true, typed({ 0x61, 0x62 }), 0 },
        { "neither way: left out", "\u00e9", false, false, true, {}, 1 },
        { "one character neither way can carry leaves out the rest too", "a\u00e9", false, false, true, {}, 1 },
        { "a pasteboard that cannot be taken: typed instead of pasting what it holds", "ab", true, true, false, typed({ 0x61, 0x62 }), 1 },
        { "a pasteboard that cannot be taken and keys that cannot type: left out", "a\u00e9", false, true, false, {}, 1 },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        InjectorHarness h;
        if (!row.typable)
            h.events.untypable = U"\u00e9";
        h.pasteboard.settableInBackground = row.pastable;
        h.pasteboard.takable = row.takable;
        h.inject(msg::TextInput { row.text });
        EXPECT_EQ(h.events.lines(), row.expected);
        EXPECT_EQ(h.log.lines.size(), row.logLines);
        h.advance(1);
        if (!row.takable) {
            EXPECT_EQ(h.pasteboard.operations, (Lines { "clear", "refused " + row.text }))
                << "nothing to restore: the pasteboard was never replaced";
        }
    }
}

// Long text goes out a slice at a time from the main queue, with a heartbeat between every two
// tasks as the event loop would serve one; what comes after the text waits its turn, so the
// events are exactly those of each message on its own, in order.
TEST(TypingTable, LongTextIsTypedInSlicesAndNothingOvertakesIt)
{
    const std::string a256(256, 'a');
    struct Row {
        const char* name;
        std::vector<ControlMessage> messages;
        // Lines posted when the first message returned, then when each heartbeat ran.
        std::vector<std::size_t> turns;
        Seconds perKey {}; // how long posting one key event takes
    };
    const Row rows[] = {
        { "a slice is typed at once", { msg::TextInput { a256 } }, { 512, 512 } },
        { "then a slice a turn; a key and more text come after it",
          { msg::TextInput { a256 + a256 + "aa" }, msg::KeyDown { 0, 0x05 },
            msg::TextInput { "cd" } },
          { 512, 1024, 1034 } },
        { "a surrogate pair stays in one slice",
          { msg::TextInput { a256.substr(1) + "\U0001F600" + "aa" } },
          { 514, 518 } },
        { "a key event takes 0.5 ms: a slice ends once 2 ms have passed",
          { msg::TextInput { std::string(6, 'a') } },
          { 4, 8, 12 },
          Seconds(0.0005) },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Lines alone;
        for (const auto& message : row.messages) {
            InjectorHarness single;
            single.pasteboard.settableInBackground = false;
            single.inject(message);
            single.scheduler.runPending();
            const auto lines = single.events.lines();
            alone.insert(alone.end(), lines.begin(), lines.end());
        }
        InjectorHarness h;
        h.pasteboard.settableInBackground = false;
        h.events.onKey = [&] { h.scheduler.passTime(row.perKey); };
        std::vector<std::size_t> turns;
        for (const auto& message : row.messages) {
            h.inject(message);
            if (turns.empty())
                turns.push_back(h.events.lines().size());
        }
        std::function<void()> heartbeat = [&] {
            turns.push_back(h.events.lines().size());
            if (h.scheduler.pendingCount() > 0)
                h.scheduler.post(heartbeat);
        };
        h.scheduler.post(heartbeat);
        h.scheduler.advance(Seconds(1)); // the time the keys take included
        EXPECT_EQ(turns, row.turns);
        EXPECT_EQ(h.events.lines(), alone);
    }
}

TEST(TypingTable, WhatWaitsIsBoundedAndALeavingControllerTakesTheRestAlong)
{
    InjectorHarness h;
    h.pasteboard.settableInBackground = false;
    h.inject(msg::TextInput { std::string(1000, 'a') });
    for (int i = 0; i <= 4096; ++i)
        h.inject(msg::KeyDown { 0, 0x05 });
    EXPECT_EQ(h.log.lines,
              Lines { "kavora: input dropped: too much is waiting behind the text being typed" });
    h.scheduler.runPending();
    EXPECT_EQ(h.events.lines().size(), 2000 + 2 * 4096) << "all but the one over the bound";

    h.log.lines.clear();
    h.inject(msg::TextInput { std::string(1000, 'a') });
    h.inject(msg::KeyDown { 0, 0x05 });
    h.injector->releaseAll();
    EXPECT_EQ(h.log.lines,
              Lines { "kavora: the controller left: 744 units of text not typed, 1 "
                      "messages after it dropped" });
    h.scheduler.runPending();
    h.inject(msg::KeyDown { 0, 0x05 });
    EXPECT_EQ(h.events.lines().size(), 2000 + 2 * 4096 + 512 + 2) << "the next one at once";
}

using Paste = InjectorTest;

TEST(PasteTable, FormerItemsComeBackAfterTheDelay)
{
    const std::vector<PasteboardItem> two {
        { { { "text/plain", Bytes { 'x' } }, { "text/html", Bytes { '<', 'b', '>' } } } },
        { { { "image/png", Bytes { 0x89, 'P' } } } },
    };
    for (const auto& former : { two, std::vector<PasteboardItem> {} }) {
        InjectorHarness h;
        h.pasteboard.contents = former;
        h.inject(msg::TextInput { "hello" });
        h.advance(0.19);
        EXPECT_EQ(h.pasteboard.text(), "hello");
        h.advance(0.01);
        EXPECT_EQ(h.pasteboard.contents, former);
        Lines changes { "clear", "set hello", "clear" };
        if (!former.empty())
            changes.emplace_back("write 2 items");
        EXPECT_EQ(h.pasteboard.operations, changes);
    }
}

TEST_F(Paste, TwoQuickPastesLeaveTheFirstText)
{
    pasteboard.setString("before");
    inject(msg::TextInput { "first" });
    advance(0.1);
    inject(msg::TextInput { "second" });
    advance(0.3);
    EXPECT_EQ(pasteboard.text(), "first");
}

TEST_F(Paste, NoRestoreOnceTheInjectorIsGone)
{
    inject(msg::TextInput { "ab" });
    injector.reset();
    advance(0.2);
    EXPECT_EQ(pasteboard.operations, (Lines { "clear", "set ab" }));
}

} // namespace
} // namespace kavora::test
