#include "input/CGEventInjector.h"

#include "core/Overloaded.h"
#include "protocol/HidKeyboard.h"

#include <type_traits>

namespace kavora {
namespace {

// Cases that reach the injector but are not input: the catalogue replies come along the
// controller's input path, the rest the controller handles itself. Listing them by name keeps the
// dispatch exhaustive: a new message case fails to compile until someone decides where it goes.
template <class M>
concept NotInput
    = std::is_same_v<M, msg::KeyUp> || std::is_same_v<M, msg::Heartbeat> || std::is_same_v<
        M, msg::LaunchApp> || std::is_same_v<M, msg::RequestAppList> || std::
        is_same_v<M, msg::AppList> || std::is_same_v<M, msg::ActivateApp> || std::is_same_v<
            M, msg::RequestRegisteredApps> || std::is_same_v<M, msg::RegisteredAppList> || std::
            is_same_v<M, msg::RequestSystemButtons> || std::is_same_v<
                M, msg::SystemButtons> || std::is_same_v<M, msg::RequestFavoriteSites> || std::
                is_same_v<M, msg::FavoriteSites> || std::is_same_v<M, msg::OpenURL>;

// The media-key type of Mute.
constexpr std::int64_t kKeyTypeMute = 7;

} // namespace

std::shared_ptr<CGEventInjector> CGEventInjector::create(const Services& services)
{
    return std::shared_ptr<CGEventInjector>(new CGEventInjector(services));
}

CGEventInjector::CGEventInjector(const Services& services)
    : scheduler_(services.scheduler)
    , settings_(services.settings)
    , events_(services.events)
    , pasteboard_(services.pasteboard)
    , accessibility_(services.accessibility)
    , audio_(services.audio)
    , launcher_(services.launcher)
    , log_(services.log)
{
}

CGEventInjector::~CGEventInjector()
{
    // The timer's action would find the injector gone anyway; cancelling spares the main loop
    // a timer that fires for nothing.
    stopFrameTimer();
}

void CGEventInjector::inject(const ControlMessage& message)
{
    // Nothing overtakes text still being typed: a key or a click would land in the middle of it.
    if (isTyping() && !inTypingSlice_) {
        waitBehindText(message);
        return;
    }
    std::visit(
        Overloaded {
            [this](const msg::MouseDelta& m) { moveBy(m.dx, m.dy); },
            // The drag shows because isDragging_ selects the dragged event type of the frames.
            [this](const msg::DragDelta& m) { moveBy(m.dx, m.dy); },
            [this](const msg::Scroll& m) { scrollBy(m.deltaY); },
            [this](const msg::LeftClickDown&) {
                postButton(MouseEventType::LeftMouseDown, MouseButton::Left);
            },
            [this](const msg::LeftClickUp&) {
                postButton(MouseEventType::LeftMouseUp, MouseButton::Left);
            },
            [this](const msg::RightClickDown&) {
                postButton(MouseEventType::RightMouseDown, MouseButton::Right);
            },
            [this](const msg::RightClickUp&) {
                postButton(MouseEventType::RightMouseUp, MouseButton::Right);
            },
            [this](const msg::DragStart&) { dragStart(); },
            [this](const msg::DragEnd&) { dragEnd(); },
            [this](const msg::KeyDown& m) { pressKey(m.modifier, m.keyCode); },
            [this](const msg::TextInput& m) { enterText(m.text); },
            [this](const msg::SwipeBack&) {
                pressKey(hidmodifier::kLeftCommand, hidusage::kLeftBracket);
            },
            [this](const msg::SwipeForward&) {
                pressKey(hidmodifier::kLeftCommand, hidusage::kRightBracket);
            },
            [this](const msg::Pinch& m) { pinch(m.scale); },
            [this](const msg::VolumeDelta& m) { adjustVolume(m.steps); },
            [this](const msg::SetMuted& m) { setMuted(m.muted); },
            [this](const msg::MuteToggle&) { postSystemKey(kKeyTypeMute); },
            [this](const msg::MissionControl&) { openMissionControl(); },
            // keyUp included: the release was already posted with its keyDown.
            []<NotInput M>(const M&) {},
        },
        message);
}

void CGEventInjector::releaseAll()
{
    if (heldButtons_[static_cast<std::size_t>(MouseButton::Left)])
        postButton(MouseEventType::LeftMouseUp, MouseButton::Left);
    if (heldButtons_[static_cast<std::size_t>(MouseButton::Right)])
        postButton(MouseEventType::RightMouseUp, MouseButton::Right);
    isDragging_ = false;
    dropTyping();
    waitingZooms_.clear();
}

} // namespace kavora
