// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/InputSettings.h"

#include "platform/UserDefaults.h"

#include <algorithm>

namespace kavora {
namespace {

constexpr double kDefaultSmoothing = 0.55;
constexpr double kMinimumSmoothing = 0.05;

double factorOrOne(double stored)
{
    return stored == 0 ? 1.0 : stored;
}

} // namespace

InputSettings::InputSettings(UserDefaults& defaults)
    : defaults_(defaults)
{
}

double InputSettings::cursorSpeed() const
{
    return factorOrOne(defaults_.doubleValue(kCursorSpeedKey));
}

double InputSettings::scrollSpeed() const
{
    return factorOrOne(defaults_.doubleValue(kScrollSpeedKey));
}

bool InputSettings::naturalScroll() const
{
    return defaults_.object(kNaturalScrollKey) ? defaults_.boolValue(kNaturalScrollKey) : true;
}

double InputSettings::smoothingFraction() const
{
    const double s = defaults_.doubleValue(kCursorSmoothingKey);
    if (s == 0)
        return kDefaultSmoothing;
    if (s < 1)
        return std::max(s, kMinimumSmoothing);
    return 1.0;
}

CommandKeyRole InputSettings::commandKeyRole() const
{
    return defaults_.string(kCommandKeyKey) == "super" ? CommandKeyRole::Super
                                                       : CommandKeyRole::Control;
}

void InputSettings::setCursorSpeed(double speed)
{
    defaults_.setDouble(kCursorSpeedKey, speed);
}

void InputSettings::setScrollSpeed(double speed)
{
    defaults_.setDouble(kScrollSpeedKey, speed);
}

void InputSettings::setNaturalScroll(bool natural)
{
    defaults_.setBool(kNaturalScrollKey, natural);
}

} // namespace kavora
