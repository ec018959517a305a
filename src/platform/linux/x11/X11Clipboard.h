// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Pasteboard.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace kavora {

// The X clipboard (the CLIPBOARD selection) over an XCB connection of this object's own, so that
// it is the clipboard other applications paste from whatever Qt platform the process runs on
// (offscreen included).
//
// Setting it claims the selection with the server's current time, read just before, and then
// asks the server who owns it: setString() is true only once the claim held, so that a paste
// that follows pastes this text. (A claim stamped with the time of the last event the process
// happened to see is ignored by the server whenever another client claimed the selection after
// that time, and the paste then inserts that client's text.) What this process offers is served
// from the thread's event loop, which must run until other applications have read it: a paste
// and the restore after it are scheduled, never waited for. Data too large for one request goes
// out in increments (INCR), and is read that way from other owners.
//
// items() gives the one item X holds: the data of every target the owner lists, minus the
// selection protocol's own (TARGETS, MULTIPLE, TIMESTAMP ...), whose bytes are protocol data,
// and minus TEXT, whose type the owner chooses. Owners that answer slowly lose the targets not
// read within kReadBudget. A clipboard that Qt holds for a window of this very process (on
// $DISPLAY) is read from Qt, which cannot answer over X while this thread waits for the answer.
//
// A connection that ends (the server went away) is opened again at the next call. GUI thread
// only.
class X11Clipboard final : public Pasteboard {
public:
    static constexpr std::chrono::milliseconds kReadBudget { 2000 };

    // The named display, or $DISPLAY when the name is empty. Connects at the first use.
    explicit X11Clipboard(std::string displayName = {});
    ~X11Clipboard() override;
    X11Clipboard(const X11Clipboard&) = delete;
    X11Clipboard& operator=(const X11Clipboard&) = delete;

    std::vector<PasteboardItem> items() override;
    // Gives the clipboard up if this process still holds it; another owner's content stays.
    void clearContents() override;
    // Offers the text as UTF8_STRING, text/plain;charset=utf-8 and text/plain (and as STRING when
    // Latin-1 can carry it).
    bool setString(std::string_view utf8) override;
    // Writing several items keeps the first, the only one the clipboard can hold.
    void writeItems(const std::vector<PasteboardItem>& items) override;

private:
    // The connection, what this process offers and what it sends in pieces, with the X protocol
    // they speak.
    class Selection;
    std::unique_ptr<Selection> selection_;
};

} // namespace kavora
