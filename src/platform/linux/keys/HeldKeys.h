// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/EventServices.h"

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace kavora {

// What a held stroke was pressed for; each kind numbers its strokes on its own.
enum class HeldBy : std::uint8_t {
    MacKey, // by Mac virtual key code
    Character, // by the last UTF-16 unit of the character
    MediaKey, // by media key type
};

// The strokes a keyboard backend holds down until their up events, so that each up releases
// what its down pressed, whatever the modifiers and the layout are by then.
//
// A stroke is one key pressed with modifiers. Strokes may overlap and share a modifier: it goes
// down with the first stroke that holds it and up with the last. A second down without an up is
// an automatic repeat: the key alone goes down again. Key is what the backend needs to post the
// key (and to give back what the key took); the backend posts through its Sink.
template <typename Key> class HeldKeys {
public:
    struct Stroke {
        Key key;
        std::vector<int> modifiers; // the backend's modifier key codes, in press order
    };

    class Sink {
    public:
        virtual ~Sink() = default;
        // Posts the stroke's own key; whether it was posted.
        virtual bool sendKey(const Key& key, KeyState state) = 0;
        virtual void sendModifier(int modifier, KeyState state) = 0;
        // Called once a stroke's keys are up, to give back what its key took.
        virtual void released(const Key& /*key*/) { }
    };

    // The sink must outlive this object.
    explicit HeldKeys(Sink& sink)
        : sink_(sink)
    {
    }

    // Presses the stroke makeStroke() returns and holds it under (by, id); repeats the key when
    // one is held there already, without calling makeStroke. False when makeStroke returns no
    // stroke or the key was not posted.
    template <typename MakeStroke> bool press(HeldBy by, std::int64_t id, MakeStroke&& makeStroke)
    {
        if (const auto found = held_.find({ by, id }); found != held_.end())
            return sink_.sendKey(found->second.key, KeyState::Down);
        std::optional<Stroke> stroke = std::forward<MakeStroke>(makeStroke)();
        if (!stroke)
            return false;
        for (const int modifier : stroke->modifiers) {
            if (modifierHolds_[modifier]++ == 0)
                sink_.sendModifier(modifier, KeyState::Down);
        }
        const auto& held = held_.insert_or_assign({ by, id }, std::move(*stroke)).first->second;
        return sink_.sendKey(held.key, KeyState::Down);
    }

    // Releases the stroke held under (by, id): whether its key was posted up. An up without a
    // down has nothing to release and succeeds.
    bool release(HeldBy by, std::int64_t id)
    {
        const auto found = held_.find({ by, id });
        if (found == held_.end())
            return true;
        const Stroke stroke = std::move(found->second);
        held_.erase(found);
        const bool posted = sink_.sendKey(stroke.key, KeyState::Up);
        for (auto modifier = stroke.modifiers.rbegin(); modifier != stroke.modifiers.rend();
             ++modifier) {
            if (--modifierHolds_[*modifier] <= 0) {
                modifierHolds_.erase(*modifier);
                sink_.sendModifier(*modifier, KeyState::Up);
            }
        }
        sink_.released(stroke.key);
        return posted;
    }

    // Releases every stroke still held: Mac keys, then characters, then media keys.
    void releaseAll()
    {
        while (!held_.empty()) {
            const auto [by, id] = held_.begin()->first;
            release(by, id);
        }
    }

private:
    Sink& sink_;
    std::map<std::pair<HeldBy, std::int64_t>, Stroke> held_;
    // How many held strokes hold each modifier.
    std::map<int, int> modifierHolds_;
};

} // namespace kavora
