// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Pasteboard.h"

#include <string>
#include <vector>

namespace kavora::test {

// A pasteboard that holds its items in memory and records every change as a line: "clear",
// "set <text>" ("refused <text>" when it cannot be taken), "write <n> items".
class RecordingPasteboard final : public Pasteboard {
public:
    // The type under which setString() stores its text.
    static constexpr std::string_view kStringType = "text/plain;charset=utf-8";

    std::vector<PasteboardItem> contents;
    std::vector<std::string> operations;
    bool settableInBackground = true;
    // Whether setString() takes the pasteboard, as another program may keep it.
    bool takable = true;

    bool isSettableInBackground() override { return settableInBackground; }
    std::vector<PasteboardItem> items() override { return contents; }
    void clearContents() override
    {
        contents.clear();
        operations.emplace_back("clear");
    }
    bool setString(std::string_view utf8) override
    {
        operations.push_back((takable ? "set " : "refused ") + std::string(utf8));
        if (takable) {
            contents = { PasteboardItem {
                { { std::string(kStringType), Bytes(utf8.begin(), utf8.end()) } } } };
        }
        return takable;
    }
    void writeItems(const std::vector<PasteboardItem>& items) override
    {
        contents.insert(contents.end(), items.begin(), items.end());
        operations.push_back("write " + std::to_string(items.size()) + " items");
    }

    // The text of the first item's string type, or "" when there is none.
    std::string text() const
    {
        if (contents.empty())
            return {};
        for (const auto& [type, data] : contents.front().representations) {
            if (type == kStringType)
                return std::string(data.begin(), data.end());
        }
        return {};
    }
};

} // namespace kavora::test
