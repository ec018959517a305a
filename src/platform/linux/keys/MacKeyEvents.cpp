// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/keys/MacKeyEvents.h"

#include "platform/MacKeyCodes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kavora {
namespace {

// The Mac's modifier keys and the flag each stands for. Fn stands for nothing here; it is
// swallowed like the others.
struct MacModifier {
    std::uint16_t key;
    std::uint64_t flag;
};
constexpr auto kMacModifiers = std::to_array<MacModifier>({
    { mackey::kCommand, eventflag::kCommand },
    { mackey::kRightCommand, eventflag::kCommand },
    { mackey::kShift, eventflag::kShift },
    { mackey::kRightShift, eventflag::kShift },
    { mackey::kOption, eventflag::kAlternate },
    { mackey::kRightOption, eventflag::kAlternate },
    { mackey::kControl, eventflag::kControl },
    { mackey::kRightControl, eventflag::kControl },
    { mackey::kFunction, 0 },
});

const MacModifier* macModifier(std::uint16_t key)
{
    const auto* found = std::ranges::find(kMacModifiers, key, &MacModifier::key);
    return found == std::end(kMacModifiers) ? nullptr : found;
}

constexpr bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

constexpr std::int16_t kAuxControlButtons = 8;
constexpr std::int64_t kMediaKeyPressed = 0x0A;
constexpr std::int64_t kMediaKeyReleased = 0x0B;

} // namespace

bool MacKeyEvents::noteModifier(const KeyEvent& event)
{
    if (!macModifier(event.virtualKey))
        return false;
    if (event.state == KeyState::Down)
        modifiersDown_.insert(event.virtualKey);
    else
        modifiersDown_.erase(event.virtualKey);
    return true;
}

std::uint64_t MacKeyEvents::flags(const KeyEvent& event) const
{
    if (event.flags)
        return *event.flags;
    std::uint64_t held = 0;
    for (const auto key : modifiersDown_)
        held |= macModifier(key)->flag;
    return held;
}

MacKeyEvents::Typed MacKeyEvents::unitDown(char16_t unit)
{
    if (isHighSurrogate(unit)) {
        pendingHighSurrogate_ = unit;
        return { true, std::nullopt };
    }
    const auto high = std::exchange(pendingHighSurrogate_, std::nullopt);
    if (!isLowSurrogate(unit))
        return { false, unit };
    if (!high)
        return { false, std::nullopt }; // half a character types nothing
    return { false, 0x10000 + ((char32_t(*high) - 0xD800) << 10) + (char32_t(unit) - 0xDC00) };
}

void MacKeyEvents::clear()
{
    modifiersDown_.clear();
    pendingHighSurrogate_.reset();
}

std::optional<MediaKeyStroke> mediaKeyStroke(const MediaKeyEvent& event)
{
    if (event.subtype != kAuxControlButtons)
        return std::nullopt;
    const auto keyType = (event.data1 >> 16) & 0xFFFF;
    switch ((event.data1 >> 8) & 0xFF) {
    case kMediaKeyPressed:
        return MediaKeyStroke { keyType, KeyState::Down };
    case kMediaKeyReleased:
        return MediaKeyStroke { keyType, KeyState::Up };
    default:
        return std::nullopt;
    }
}

} // namespace kavora
