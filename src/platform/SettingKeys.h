// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <string_view>

namespace kavora {

// The kind of value a setting holds in the settings file.
enum class SettingType { String, Integer, Double, Boolean, StringArray, ByteBuffer, Dictionary };

// One key of the settings store. Its owner is the one class that reads and writes it (others go
// through the owner); whenAbsent is what the owner takes when the key holds no value of its type.
struct SettingKey {
    std::string_view name;
    std::string_view owner;
    SettingType type;
    std::string_view whenAbsent;
    std::string_view meaning;
};

// Every key of the settings store; the owners take their keys' names from here. The names are
// those already written in users' files and must never change. docs/settings.md shows the same
// rows, and a test compares them.
namespace settingkey {

using enum SettingType;

// clang-format off
inline constexpr SettingKey kRegisteredApps { "macRegisteredAppBundleIds", "SettingsStore", StringArray, "empty", "the registered applications (desktop-file ids), in the user's order" };
inline constexpr SettingKey kSystemButtons { "macSystemButtonIDs", "SettingsStore", StringArray, "spotlight, screenshot, missioncontrol", "the selected top-button presets, in order" };
inline constexpr SettingKey kFavoriteSites { "macFavoriteSites", "SettingsStore", ByteBuffer, "empty", "the favourite sites, a UTF-8 JSON array of site records without icons" };
inline constexpr SettingKey kMigrated { "kavora.migrated.v1", "SettingsStore", Boolean, "false", "the legacy preferences were looked at" };
inline constexpr SettingKey kCursorSpeed { "macCursorSpeed", "InputSettings", Double, "1.0 (so does 0)", "pointer speed factor, 0.5 to 3.0" };
inline constexpr SettingKey kScrollSpeed { "macScrollSpeed", "InputSettings", Double, "1.0 (so does 0)", "scroll speed factor, 0.5 to 3.0" };
inline constexpr SettingKey kNaturalScroll { "macNaturalScroll", "InputSettings", Boolean, "true", "content follows the fingers when scrolling" };
inline constexpr SettingKey kCursorSmoothing { "macCursorSmoothing", "InputSettings", Double, "0.55 (so does 0)", "the fraction of the remaining distance the pointer covers per frame" };
inline constexpr SettingKey kCommandKey { "linuxCommandKey", "InputSettings", String, "control", "what the Command key becomes: control or super" };
inline constexpr SettingKey kDeviceId { "kavora.mac.deviceID", "DeviceIdentifier", String, "a new one, then stored", "this computer's identifier in the link's discovery info" };
inline constexpr SettingKey kTrustedDevices { "linuxTrustedDevices", "TrustedDevices", Dictionary, "none trusted", "the controllers that connect without a question" };
inline constexpr SettingKey kFaviconServiceHost { "linuxFaviconServiceHost", "FavoriteSites", String, "www.google.com", "where the favourite sites' icons are fetched from" };
inline constexpr SettingKey kListenPort { "linuxListenPort", "ReceiverOptions", Integer, "any free port", "the TCP port controllers connect to" };
inline constexpr SettingKey kBrowserControl { "linuxBrowserControl", "BrowserAccess", Boolean, "false", "control from a browser is switched on" };
inline constexpr SettingKey kWebPort { "linuxWebPort", "BrowserAccess", Integer, "47390", "the TCP port the browser controller's page is served on" };
inline constexpr SettingKey kPortalRestoreToken { "linuxPortalRestoreToken", "PortalSession", String, "none", "the desktop portal's token for resuming remote control without asking" };
// clang-format on

inline constexpr std::array kAll {
    kRegisteredApps, kSystemButtons,  kFavoriteSites,  kMigrated,
    kCursorSpeed,    kScrollSpeed,    kNaturalScroll,  kCursorSmoothing,
    kCommandKey,     kDeviceId,       kTrustedDevices, kFaviconServiceHost,
    kListenPort,     kBrowserControl, kWebPort,        kPortalRestoreToken,
};

} // namespace settingkey
} // namespace kavora
