// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Overloaded.h"
#include "platform/EventServices.h"

#include <functional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

namespace kavora::test {

// An event system that records what is posted and whose cursor and displays a test sets. As on a
// real desktop, a posted mouse event moves the cursor to its position.
class RecordingEventServices final : public EventServices {
public:
    Point cursor;
    std::vector<Rect> displays { Rect { 0, 0, 1920, 1080 } };
    Rect mainDisplay { 0, 0, 1920, 1080 };
    // When set no event can be created: nothing is posted and the cursor cannot be read.
    bool failToCreate = false;
    // When cleared the system has no pointer position, as on Wayland: motion is relative steps.
    bool positioned = true;
    // Characters a key event cannot type.
    std::u32string untypable;
    // Called as each key event is posted.
    std::function<void()> onKey;

    bool hasPointerPosition() const override { return positioned; }
    bool postRelativeMotion(double dx, double dy) override { return record(Step { dx, dy }); }
    bool canTypeCharacter(char32_t character) override
    {
        return untypable.find(character) == std::u32string::npos;
    }

    std::optional<Point> cursorLocation() override
    {
        return failToCreate ? std::nullopt : std::optional(cursor);
    }
    const std::vector<Rect>& activeDisplayBounds() override { return displays; }
    Rect mainDisplayBounds() override { return mainDisplay; }
    bool postMouse(const MouseEvent& event) override
    {
        if (record(event))
            cursor = event.position;
        return !failToCreate;
    }
    bool postScroll(std::int32_t pixels) override { return record(Scroll { pixels }); }
    bool postKey(const KeyEvent& event) override
    {
        if (onKey)
            onKey();
        return record(event);
    }
    bool postMediaKey(const MediaKeyEvent& event) override { return record(event); }

    // What was posted, one readable line per event, for example "mouse 5 (100,200) button 0",
    // "mouse 1 (10,20) button 0 click 1", "scroll 3", "key 55 down", "key 0 down flags 0x100000",
    // "key 0 down unicode 0x61", "step (2.5,0)" or "media flags 0xa00 subtype 8 data1 0x70a00 data2
    // -1".
    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        for (const auto& event : posted_)
            result.push_back(describe(event));
        return result;
    }
    void clear() { posted_.clear(); }

private:
    struct Scroll {
        std::int32_t pixels = 0;
    };
    struct Step {
        double dx = 0;
        double dy = 0;
    };
    using Posted = std::variant<MouseEvent, Scroll, Step, KeyEvent, MediaKeyEvent>;

    // Posted events are kept as they are, so that recording stays cheap in benchmarks.
    bool record(Posted event)
    {
        if (!failToCreate)
            posted_.push_back(std::move(event));
        return !failToCreate;
    }
    static std::string describe(const Posted& event)
    {
        std::ostringstream out;
        out.precision(10);
        std::visit(Overloaded {
                       [&](const MouseEvent& e) {
                           out << "mouse " << static_cast<int>(e.type) << " (" << e.position.x
                               << ',' << e.position.y << ") button " << static_cast<int>(e.button);
                           if (e.clickState)
                               out << " click " << *e.clickState;
                       },
                       [&](const Scroll& e) { out << "scroll " << e.pixels; },
                       [&](const Step& e) { out << "step (" << e.dx << ',' << e.dy << ')'; },
                       [&](const KeyEvent& e) {
                           out << "key " << e.virtualKey
                               << (e.state == KeyState::Down ? " down" : " up") << std::hex;
                           if (e.flags)
                               out << " flags 0x" << *e.flags;
                           if (e.unicodeUnit)
                               out << " unicode 0x" << static_cast<unsigned>(*e.unicodeUnit);
                       },
                       [&](const MediaKeyEvent& e) {
                           out << "media flags 0x" << std::hex << e.modifierFlags << std::dec
                               << " subtype " << e.subtype << " data1 0x" << std::hex
                               << static_cast<std::uint64_t>(e.data1) << std::dec << " data2 "
                               << e.data2;
                       },
                   },
                   event);
        return out.str();
    }

    std::vector<Posted> posted_;
};

} // namespace kavora::test
