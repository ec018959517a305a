// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "protocol/Records.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavora {

// One item of the general pasteboard: its data under each type it offers, in the item's order.
struct PasteboardItem {
    std::vector<std::pair<std::string, Bytes>> representations;
    friend bool operator==(const PasteboardItem&, const PasteboardItem&) = default;
};

// The general (clipboard) pasteboard.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Every item with the data of every type that could be read; types that fail are left out.
    virtual std::vector<PasteboardItem> items() = 0;
    virtual void clearContents() = 0;
    // True when the pasteboard holds the text now, so that a paste that follows pastes it;
    // false when it could not be taken (it then holds what it held, or nothing).
    virtual bool setString(std::string_view utf8) = 0;
    virtual void writeItems(const std::vector<PasteboardItem>& items) = 0;
    // Whether a program in the background may set the pasteboard, so that a paste that follows
    // pastes what was set. Some Wayland compositors take it only from the focused window.
    virtual bool isSettableInBackground() { return true; }
};

} // namespace kavora
