// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kavora {

// Mouse event types, numbered as the controller's Mac-side conventions number them.
enum class MouseEventType : std::uint8_t {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    RightMouseDown = 3,
    RightMouseUp = 4,
    MouseMoved = 5,
    LeftMouseDragged = 6,
};

enum class MouseButton : std::uint8_t { Left = 0, Right = 1 };

struct MouseEvent {
    MouseEventType type = MouseEventType::MouseMoved;
    Point position;
    MouseButton button = MouseButton::Left;
    // Set to 1 on button events; absent on motion events.
    std::optional<std::int64_t> clickState;
};

enum class KeyState : std::uint8_t { Down, Up };

// Mac modifier flags as carried by key events.
namespace eventflag {
constexpr std::uint64_t kShift = 0x20000;
constexpr std::uint64_t kControl = 0x40000;
constexpr std::uint64_t kAlternate = 0x80000;
constexpr std::uint64_t kCommand = 0x100000;
} // namespace eventflag

struct KeyEvent {
    std::uint16_t virtualKey = 0; // a Mac virtual key code (ANSI layout)
    KeyState state = KeyState::Down;
    // When present the event's modifier flags are exactly these; otherwise none are set.
    std::optional<std::uint64_t> flags;
    // When present the event types this UTF-16 unit instead of the key's own character.
    std::optional<char16_t> unicodeUnit;
};

// A system-defined media-key event: data1 holds the key type in bits 16-31 and the key state
// in bits 8-15 (0x0A pressed, 0x0B released).
struct MediaKeyEvent {
    std::uint64_t modifierFlags = 0;
    std::int16_t subtype = 0;
    std::int64_t data1 = 0;
    std::int64_t data2 = 0;
};

// The system's pointer, display and keyboard event services. Every post returns false when the
// event could not be created or posted; callers skip it and go on.
class EventServices {
public:
    virtual ~EventServices() = default;

    // Whether the system has a global pointer position that can be read and posted to. Where it
    // has none (a Wayland compositor), motion is posted as relative steps and the compositor keeps
    // the pointer on its displays.
    virtual bool hasPointerPosition() const { return true; }
    // The pointer position, or nothing when it cannot be read.
    virtual std::optional<Point> cursorLocation() = 0;
    // The bounds of the active displays, in the system's order; empty when none can be listed.
    // The list is the services' own, valid until their next call.
    virtual const std::vector<Rect>& activeDisplayBounds() = 0;
    virtual Rect mainDisplayBounds() = 0;

    virtual bool postMouse(const MouseEvent& event) = 0;
    // A button event (click state 1) where the pointer is now. A platform that can press a
    // button wherever the pointer is overrides this to skip reading the position.
    virtual bool postButtonAtCursor(MouseEventType type, MouseButton button)
    {
        return postMouse({ type, cursorLocation().value_or(Point { 0, 0 }), button, 1 });
    }
    // Moves the pointer by a step in logical pixels, fractions included; only where there is no
    // pointer position. The dragged state needs no event type: the button is held.
    virtual bool postRelativeMotion(double /*dx*/, double /*dy*/) { return false; }
    // One vertical pixel scroll; positive values scroll up.
    virtual bool postScroll(std::int32_t pixels) = 0;
    virtual bool postKey(const KeyEvent& event) = 0;
    // Whether a key event carrying this character types it. False where the keyboard layout has
    // no key for it and none can be lent for it; posting it would type nothing or a wrong key.
    virtual bool canTypeCharacter(char32_t /*character*/) { return true; }
    virtual bool postMediaKey(const MediaKeyEvent& event) = 0;
};

} // namespace kavora
