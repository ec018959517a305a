// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "protocol/Records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kavora {

// What a message case is for; each case says it beside its fields, and the dispatch reads nothing
// else, so a new case is routed by its own definition and fails to compile until the visitor of
// its role handles it.
enum class MessageRole {
    Input, // from the controller: the injector turns it into events
    Request, // from the controller: the receiver answers it or carries it out
    Reply, // the receiver's own to send; when a controller sends one, it means nothing
};

template <class Case>
concept InputCase = Case::role == MessageRole::Input;
template <class Case>
concept ReplyCase = Case::role == MessageRole::Reply;

// One struct per case of the wire union, named after its JSON key.
namespace msg {
struct MouseDelta {
    static constexpr auto role = MessageRole::Input;
    float dx = 0;
    float dy = 0;
};
struct Scroll {
    static constexpr auto role = MessageRole::Input;
    float deltaY = 0;
};
struct LeftClickDown {
    static constexpr auto role = MessageRole::Input;
};
struct LeftClickUp {
    static constexpr auto role = MessageRole::Input;
};
struct RightClickDown {
    static constexpr auto role = MessageRole::Input;
};
struct RightClickUp {
    static constexpr auto role = MessageRole::Input;
};
struct DragStart {
    static constexpr auto role = MessageRole::Input;
};
struct DragDelta {
    static constexpr auto role = MessageRole::Input;
    float dx = 0;
    float dy = 0;
};
struct DragEnd {
    static constexpr auto role = MessageRole::Input;
};
struct KeyDown {
    static constexpr auto role = MessageRole::Input;
    std::uint8_t modifier = 0;
    std::uint8_t keyCode = 0;
};
struct KeyUp {
    static constexpr auto role = MessageRole::Input;
};
struct TextInput {
    static constexpr auto role = MessageRole::Input;
    std::string text; // the unlabelled payload, "_0" on the wire
};
struct SwipeBack {
    static constexpr auto role = MessageRole::Input;
};
struct SwipeForward {
    static constexpr auto role = MessageRole::Input;
};
struct Pinch {
    static constexpr auto role = MessageRole::Input;
    float scale = 0;
};
struct VolumeDelta {
    static constexpr auto role = MessageRole::Input;
    std::int64_t steps = 0;
};
struct SetMuted {
    static constexpr auto role = MessageRole::Input;
    bool muted = false; // the unlabelled payload, "_0" on the wire
};
struct MuteToggle {
    static constexpr auto role = MessageRole::Input;
};
struct Heartbeat {
    static constexpr auto role = MessageRole::Request;
};
struct MissionControl {
    static constexpr auto role = MessageRole::Input;
};
struct LaunchApp {
    static constexpr auto role = MessageRole::Request;
    std::string bundleId;
};
struct RequestAppList {
    static constexpr auto role = MessageRole::Request;
};
struct AppList {
    static constexpr auto role = MessageRole::Reply;
    std::vector<AppInfo> apps;
};
struct ActivateApp {
    static constexpr auto role = MessageRole::Request;
    std::string bundleId;
};
struct RequestRegisteredApps {
    static constexpr auto role = MessageRole::Request;
};
struct RegisteredAppList {
    static constexpr auto role = MessageRole::Reply;
    std::vector<AppInfo> apps;
};
struct RequestSystemButtons {
    static constexpr auto role = MessageRole::Request;
};
struct SystemButtons {
    static constexpr auto role = MessageRole::Reply;
    std::vector<SystemButton> buttons;
};
struct RequestFavoriteSites {
    static constexpr auto role = MessageRole::Request;
};
struct FavoriteSites {
    static constexpr auto role = MessageRole::Reply;
    std::vector<FavoriteSite> sites;
};
struct OpenURL {
    static constexpr auto role = MessageRole::Request;
    std::string url;
    std::optional<std::string> browserBundleId;
};
} // namespace msg

// The one message type in both directions; the order of cases is the declaration order.
using ControlMessage
    = std::variant<msg::MouseDelta, msg::Scroll, msg::LeftClickDown, msg::LeftClickUp,
                   msg::RightClickDown, msg::RightClickUp, msg::DragStart, msg::DragDelta,
                   msg::DragEnd, msg::KeyDown, msg::KeyUp, msg::TextInput, msg::SwipeBack,
                   msg::SwipeForward, msg::Pinch, msg::VolumeDelta, msg::SetMuted, msg::MuteToggle,
                   msg::Heartbeat, msg::MissionControl, msg::LaunchApp, msg::RequestAppList,
                   msg::AppList, msg::ActivateApp, msg::RequestRegisteredApps,
                   msg::RegisteredAppList, msg::RequestSystemButtons, msg::SystemButtons,
                   msg::RequestFavoriteSites, msg::FavoriteSites, msg::OpenURL>;

} // namespace kavora
