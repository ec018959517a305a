// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/EventServices.h"
#include "platform/linux/x11/X11WheelAccumulator.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

class InputSettings;
class X11Connection;
class X11Keyboard;

// The event services of an X11 desktop, through XTest, RandR monitors and XKB.
//
// Global coordinates are X root-window pixels, whatever scale factor the toolkit applies; the
// displays are the RandR monitors, the primary one first. Mouse events move the pointer and then
// press or release the (logical, so left-handed maps are honoured) button; a drag is motion while
// the button is held. The display list and the pointer map are read once and then kept current
// from the server's change notifications, so that no post or query of the displays waits for
// the server; a change made between two calls is honoured by the second. (Monitors a client
// defines are not announced: they are read again with the pointer, at the start of a motion.) Pixel
// scrolling becomes wheel clicks (X11WheelAccumulator). Keys go through X11Keyboard, which
// translates Mac chords; the Command key's role is read from the input settings at every key.
//
// Every call works on the thread that created the object. Without a display, or once the server
// has gone away, queries answer nothing and posts return false; without XTest, posts return false.
// The event loop of that thread watches the connection, so that its end is noticed at once
// (onConnectionLost); reconnect() opens a new one.
class X11EventServices final : public EventServices {
public:
    // Connects to the named display, or to $DISPLAY when the name is empty. The settings must
    // outlive this object.
    explicit X11EventServices(const InputSettings& settings, std::string displayName = {});
    ~X11EventServices() override;
    X11EventServices(const X11EventServices&) = delete;
    X11EventServices& operator=(const X11EventServices&) = delete;

    std::optional<Point> cursorLocation() override;
    const std::vector<Rect>& activeDisplayBounds() override;
    Rect mainDisplayBounds() override;

    bool postMouse(const MouseEvent& event) override;
    // XTest presses a button wherever the pointer is: no need to read the position first.
    bool postButtonAtCursor(MouseEventType type, MouseButton button) override;
    bool postScroll(std::int32_t pixels) override;
    bool postKey(const KeyEvent& event) override;
    bool postMediaKey(const MediaKeyEvent& event) override;

    // Whether synthetic input reaches the display: the server still answers and has XTEST.
    bool isXTestUsable();
    // The same as far as is known without asking the server: the connection has not ended (the
    // event loop notices when it does) and offers XTEST.
    bool isConnected() const;
    // Called from the event loop when the connection has ended.
    std::function<void()> onConnectionLost;
    // After the connection ended: connects again, starting afresh with what it knows of the
    // server (keyboard map, lent keycodes, keys held, monitors, pointer map), since a server
    // started anew knows nothing of the old one. True when connected; nothing happens while the
    // connection is alive.
    bool reconnect();

private:
    struct Displays {
        std::vector<Rect> monitors; // the primary one first
        bool primaryListed = false;
        Rect root;
    };

    void connect();
    bool fakeClicks(unsigned int logicalButton, std::int64_t count);
    // Presses or releases the button, after moving the pointer to (x, y) when asked to: one
    // write to the server.
    bool fakeButton(unsigned int logicalButton, bool press,
                    std::optional<std::array<int, 2>> movingTo);
    unsigned int physicalButton(unsigned int logical);
    const Displays* displays();

    const InputSettings& settings_;
    std::string displayName_;
    // Declared before the connection, whose handlers write them until it closes.
    std::optional<Displays> displays_;
    std::optional<std::array<unsigned char, 256>> pointerMap_;
    int pointerMapCount_ = 0;
    std::unique_ptr<X11Connection> connection_;
    std::unique_ptr<X11Keyboard> keyboard_;
    X11WheelAccumulator wheel_;
};

// The same question for a display nobody is connected to yet ($DISPLAY when the name is empty),
// through a short connection of its own.
bool isXTestUsableOnDisplay(const std::string& displayName = {});

} // namespace kavora
