// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/SystemButtonPresets.h"

#include "protocol/HidKeyboard.h"

#include <algorithm>

namespace kavora {
namespace {

using namespace hidusage;

// The HID modifier bytes of the preset shortcuts, which press the left-hand keys.
constexpr std::uint8_t kCommand = hidmodifier::kLeftCommand;
constexpr std::uint8_t kCommandShift = hidmodifier::kLeftCommand | hidmodifier::kLeftShift;

SystemButton shortcutButton(const char* id, const char* label, const char* symbol,
                            const char* color, std::uint8_t modifier, std::uint8_t usage)
{
    return { id, label, symbol, color, macro::Shortcut { modifier, usage } };
}

} // namespace

const std::vector<SystemButton>& systemButtonPresets()
{
    static const std::vector<SystemButton> presets {
        shortcutButton("copy", "Copy", "doc.on.doc", "3B9EDB", kCommand, kC),
        shortcutButton("paste", "Paste", "doc.on.clipboard", "3B9EDB", kCommand, kV),
        shortcutButton("undo", "Undo", "arrow.uturn.backward", "3B9EDB", kCommand, kZ),
        shortcutButton("redo", "Redo", "arrow.uturn.forward", "3B9EDB", kCommandShift, kZ),
        shortcutButton("save", "Save", "square.and.arrow.down", "34A853", kCommand, kS),
        shortcutButton("selectall", "Select All", "checkmark.rectangle", "34A853", kCommand, kA),
        shortcutButton("find", "Find", "magnifyingglass", "FF9500", kCommand, kF),
        shortcutButton("close", "Close", "xmark.square", "FF9500", kCommand, kW),
        { "missioncontrol", "Mission Control", "rectangle.grid.2x2", "AF52DE",
          macro::MissionControl {} },
        shortcutButton("screenshot", "Screen Shot", "camera.viewfinder", "AF52DE", kCommandShift,
                       k4),
        shortcutButton("spotlight", "Spotlight", "magnifyingglass.circle", "AF52DE", kCommand,
                       kSpace),
        shortcutButton("appswitch", "App Switch", "rectangle.2.swap", "AF52DE", kCommand, kTab),
    };
    return presets;
}

std::vector<SystemButton> selectedSystemButtons(const std::vector<std::string>& systemButtonIDs)
{
    const auto& presets = systemButtonPresets();
    std::vector<SystemButton> selected;
    for (const auto& id : systemButtonIDs) {
        auto preset = std::find_if(presets.begin(), presets.end(),
                                   [&](const SystemButton& button) { return button.id == id; });
        if (preset != presets.end())
            selected.push_back(*preset);
    }
    return selected;
}

std::optional<std::vector<std::string>>
toggledSystemButtonIDs(std::vector<std::string> systemButtonIDs, const std::string& id)
{
    if (auto found = std::find(systemButtonIDs.begin(), systemButtonIDs.end(), id);
        found != systemButtonIDs.end()) {
        systemButtonIDs.erase(found);
        return systemButtonIDs;
    }
    if (systemButtonIDs.size() >= kMaxSystemButtons)
        return std::nullopt;
    systemButtonIDs.push_back(id);
    return systemButtonIDs;
}

} // namespace kavora
