// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/SettingKeys.h"

#include <cstdint>
#include <string_view>

namespace kavora {

class UserDefaults;

// Which Linux modifier the Mac Command key becomes.
enum class CommandKeyRole : std::uint8_t { Control, Super };

// The settings the input path reads at event time, typed, with their absent-value rules in one
// place: pointer speed, scroll speed, natural scrolling, pointer smoothing and the Command key's
// role. Every read asks the user defaults again, so a change made by the settings window or from
// outside applies to the next event. The settings window writes through the setters.
class InputSettings {
public:
    static constexpr std::string_view kCursorSpeedKey = settingkey::kCursorSpeed.name;
    static constexpr std::string_view kScrollSpeedKey = settingkey::kScrollSpeed.name;
    static constexpr std::string_view kNaturalScrollKey = settingkey::kNaturalScroll.name;
    static constexpr std::string_view kCursorSmoothingKey = settingkey::kCursorSmoothing.name;
    static constexpr std::string_view kCommandKeyKey = settingkey::kCommandKey.name;

    // The defaults must outlive this object.
    explicit InputSettings(UserDefaults& defaults);

    // Pointer speed factor; a stored 0 (also an absent key) means 1. No other bound: a negative
    // speed inverts the motion.
    double cursorSpeed() const;
    // Scroll speed factor, with the same rule.
    double scrollSpeed() const;
    // True when no value is stored; a stored value of any kind is read as a bool.
    bool naturalScroll() const;
    // The fraction of the remaining distance the pointer covers per frame: 0.55 when the stored
    // value is 0 (or absent), at least 0.05 below 1, and 1 from 1 up.
    double smoothingFraction() const;
    // Control unless "super" is stored.
    CommandKeyRole commandKeyRole() const;

    void setCursorSpeed(double speed);
    void setScrollSpeed(double speed);
    void setNaturalScroll(bool natural);

private:
    UserDefaults& defaults_;
};

} // namespace kavora
