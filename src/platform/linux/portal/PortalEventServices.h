// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/EventServices.h"
#include "platform/linux/keys/HeldKeys.h"
#include "platform/linux/keys/MacChordTranslator.h"
#include "platform/linux/keys/MacKeyEvents.h"
#include "platform/linux/portal/LayoutKeysyms.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace kavora {

class InputSettings;
class PortalSession;

// The key of a stroke through the portal: an evdev code, or a keysym the compositor finds.
struct PortalKey {
    std::int32_t keycode = 0; // 0: the key is the keysym
    std::uint32_t keysym = 0;
};

// The event services of a Wayland desktop, through a remote-desktop session of the portal.
//
// There is no global pointer position: motion is relative, in logical pixels, and the compositor
// keeps the pointer on its displays; buttons press where the pointer is. Pixel scrolls are smooth
// scrolls that end at once, 40 pixels for what a wheel click scrolls, as on X11. Keys are evdev
// codes: Mac chords are translated as on X11 (Command acts as Control or Super, the desktop's
// own chords), modifiers posted alone are remembered and pressed with the next key, and a
// shortcut's letter is pressed as a keysym where the layout has it, so that it follows the
// letter. A character is typed as its keysym where the layout has a key for it and not at all
// otherwise: a keysym outside the layout would be dropped by the compositor.
//
// Posts return false while the session is not granted. releaseAll() lifts every key and button
// still down, as the session does before it closes. GUI thread only.
class PortalEventServices final : public EventServices, private HeldKeys<PortalKey>::Sink {
public:
    // The session and settings must outlive this object.
    PortalEventServices(PortalSession& session, const InputSettings& settings);

    bool hasPointerPosition() const override { return false; }
    std::optional<Point> cursorLocation() override { return std::nullopt; }
    const std::vector<Rect>& activeDisplayBounds() override
    {
        static const std::vector<Rect> none;
        return none;
    }
    Rect mainDisplayBounds() override { return {}; }

    // Button events only: a motion event names a position, which cannot be posted here.
    bool postMouse(const MouseEvent& event) override;
    bool postButtonAtCursor(MouseEventType type, MouseButton button) override;
    bool postRelativeMotion(double dx, double dy) override;
    bool postScroll(std::int32_t pixels) override;
    bool postKey(const KeyEvent& event) override;
    bool canTypeCharacter(char32_t character) override;
    bool postMediaKey(const MediaKeyEvent& event) override;

    void releaseAll();
    // Reads the keyboard layout again; a new session may find another one.
    void reloadLayout() { layout_.reload(); }

private:
    using Stroke = HeldKeys<PortalKey>::Stroke; // its modifiers are evdev codes

    bool postMacKey(const KeyEvent& event);
    bool postCharacter(const KeyEvent& event);
    std::optional<Stroke> strokeForChord(const KeyChord& chord) const;
    bool sendKey(const PortalKey& key, KeyState state) override;
    void sendModifier(int modifier, KeyState state) override;

    PortalSession& session_;
    const InputSettings& settings_;
    LayoutKeysyms layout_;
    MacKeyEvents macEvents_;
    HeldKeys<PortalKey> keys_ { *this };
    std::set<std::int32_t> buttonsDown_;
};

} // namespace kavora
