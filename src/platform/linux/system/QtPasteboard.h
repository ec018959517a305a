// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Pasteboard.h"

namespace kavora {

// The system clipboard (not the X11 primary selection) through Qt, where input does not go through
// X11 (X11Clipboard serves that case on an X connection of its own). X11 holds one item with many
// formats: items() gives that one item with every MIME format Qt lists, minus the selection
// protocol's own targets (TARGETS, MULTIPLE, TIMESTAMP ...), whose bytes are protocol data, not
// content. An empty clipboard has no items. Writing several items keeps the first, the only one
// the clipboard can hold. Needs a QGuiApplication; GUI thread only. Once this process owns the
// clipboard, other applications read it through the event loop, so the loop must run until they
// have (a paste and the restore after it are scheduled, never waited for with a sleep).
class QtPasteboard final : public Pasteboard {
public:
    QtPasteboard();

    // A format whose data comes back empty is left out: Qt reports a failed transfer that way,
    // and an empty representation carries nothing to restore. An owner too slow to answer
    // within a couple of seconds in total loses the formats not read by then.
    std::vector<PasteboardItem> items() override;
    void clearContents() override;
    // Puts the text as text/plain in UTF-8 (Qt offers it as UTF8_STRING, STRING and TEXT too);
    // true when the clipboard then reads back as the text.
    bool setString(std::string_view utf8) override;
    void writeItems(const std::vector<PasteboardItem>& items) override;
    // Not on Wayland, where the compositor takes a selection only from the focused client, nor
    // without a window system (offscreen), whose clipboard stays in this process. On X11
    // (Xwayland included, whose clipboard the compositor takes over) any client may own it.
    bool isSettableInBackground() override;
};

} // namespace kavora
