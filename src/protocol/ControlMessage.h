#pragma once

#include "protocol/Records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kavora {

// One struct per case of the wire union, named after its JSON key.
namespace msg {
struct MouseDelta {
    float dx = 0;
    float dy = 0;
};
struct Scroll {
    float deltaY = 0;
};
struct LeftClickDown { };
struct LeftClickUp { };
struct RightClickDown { };
struct RightClickUp { };
struct DragStart { };
struct DragDelta {
    float dx = 0;
    float dy = 0;
};
struct DragEnd { };
struct KeyDown {
    std::uint8_t modifier = 0;
    std::uint8_t keyCode = 0;
};
struct KeyUp { };
struct TextInput {
    std::string text; // the unlabelled payload, "_0" on the wire
};
struct SwipeBack { };
struct SwipeForward { };
struct Pinch {
    float scale = 0;
};
struct VolumeDelta {
    std::int64_t steps = 0;
};
struct SetMuted {
    bool muted = false; // the unlabelled payload, "_0" on the wire
};
struct MuteToggle { };
struct Heartbeat { };
struct MissionControl { };
struct LaunchApp {
    std::string bundleId;
};
struct RequestAppList { };
struct AppList {
    std::vector<AppInfo> apps;
};
struct ActivateApp {
    std::string bundleId;
};
struct RequestRegisteredApps { };
struct RegisteredAppList {
    std::vector<AppInfo> apps;
};
struct RequestSystemButtons { };
struct SystemButtons {
    std::vector<SystemButton> buttons;
};
struct RequestFavoriteSites { };
struct FavoriteSites {
    std::vector<FavoriteSite> sites;
};
struct OpenURL {
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
