// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kavora {

// An application offered to the controller; its identity is its bundle id.
struct AppInfo {
    std::string bundleId;
    std::string name;
    std::optional<Bytes> iconPNG;
    bool isRunning = false;

    const std::string& id() const { return bundleId; }
};

// A web site the user keeps; also the stored form of the favourite list (without icons).
struct FavoriteSite {
    std::string id;
    std::string url;
    std::string name;
    std::optional<std::string> browserBundleId;
    std::optional<Bytes> iconPNG;
    bool userNamed = false;
};

namespace macro {
struct Shortcut {
    std::uint8_t modifier = 0;
    std::uint8_t keyCode = 0;
};
struct LaunchApp {
    std::string bundleId;
    std::string name;
};
struct TextInput {
    std::string text; // the unlabelled payload, "_0" on the wire
};
struct MissionControl { };

// Same payload, texts compared under canonical equivalence.
bool operator==(const Shortcut& a, const Shortcut& b);
bool operator==(const LaunchApp& a, const LaunchApp& b);
bool operator==(const TextInput& a, const TextInput& b);
bool operator==(const MissionControl& a, const MissionControl& b);
} // namespace macro

// What a launcher button does. Its equality is the same case with an equal payload.
using MacroAction
    = std::variant<macro::Shortcut, macro::LaunchApp, macro::TextInput, macro::MissionControl>;

// A launcher ("top") button.
struct SystemButton {
    std::string id;
    std::string label;
    std::string sfSymbol;
    std::string colorHex;
    MacroAction action;
};

// Equality compares strings under canonical equivalence (the same text in any normal form),
// optional values as both absent or both present and equal, and byte buffers byte for byte.
bool operator==(const FavoriteSite& a, const FavoriteSite& b);
bool operator==(const SystemButton& a, const SystemButton& b);
bool operator==(const MacroAction& a, const MacroAction& b);

} // namespace kavora
