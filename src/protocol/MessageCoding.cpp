#include "protocol/MessageCoding.h"

#include "core/Json.h"
#include "protocol/FieldReader.h"
#include "protocol/JsonWriter.h"
#include "protocol/RecordCoding.h"
#include "protocol/TaggedUnion.h"

#include <array>
#include <type_traits>

namespace kavora {
namespace {

using Json = nlohmann::json;
template <class T> using Type = std::type_identity<T>;

// In the declaration order of ControlMessage, so that a case's index is its key's index.
constexpr std::array<std::string_view, std::variant_size_v<ControlMessage>> kCaseKeys {
    "mouseDelta",
    "scroll",
    "leftClickDown",
    "leftClickUp",
    "rightClickDown",
    "rightClickUp",
    "dragStart",
    "dragDelta",
    "dragEnd",
    "keyDown",
    "keyUp",
    "textInput",
    "swipeBack",
    "swipeForward",
    "pinch",
    "volumeDelta",
    "setMuted",
    "muteToggle",
    "heartbeat",
    "missionControl",
    "launchApp",
    "requestAppList",
    "appList",
    "activateApp",
    "requestRegisteredApps",
    "registeredAppList",
    "requestSystemButtons",
    "systemButtons",
    "requestFavoriteSites",
    "favoriteSites",
    "openURL",
};

// Payload fields, one overload per case that has a payload. The payload-free cases write
// nothing and are never read.

template <class T>
requires std::is_empty_v<T>
void writeFields(JsonWriter&, const T&)
{
}

void writeFields(JsonWriter& out, const msg::MouseDelta& m)
{
    out.key("dx").float32(m.dx).key("dy").float32(m.dy);
}

void writeFields(JsonWriter& out, const msg::Scroll& m)
{
    out.key("deltaY").float32(m.deltaY);
}

void writeFields(JsonWriter& out, const msg::DragDelta& m)
{
    out.key("dx").float32(m.dx).key("dy").float32(m.dy);
}

void writeFields(JsonWriter& out, const msg::KeyDown& m)
{
    out.key("modifier").integer(m.modifier).key("keyCode").integer(m.keyCode);
}

void writeFields(JsonWriter& out, const msg::TextInput& m)
{
    out.key("_0").string(m.text);
}

void writeFields(JsonWriter& out, const msg::Pinch& m)
{
    out.key("scale").float32(m.scale);
}

void writeFields(JsonWriter& out, const msg::VolumeDelta& m)
{
    out.key("steps").integer(m.steps);
}

void writeFields(JsonWriter& out, const msg::SetMuted& m)
{
    out.key("_0").boolean(m.muted);
}

void writeFields(JsonWriter& out, const msg::LaunchApp& m)
{
    out.key("bundleId").string(m.bundleId);
}

void writeFields(JsonWriter& out, const msg::ActivateApp& m)
{
    out.key("bundleId").string(m.bundleId);
}

template <class Record>
void writeRecords(JsonWriter& out, std::string_view key, const std::vector<Record>& records)
{
    out.key(key).beginArray();
    for (const auto& record : records)
        writeJson(out, record);
    out.endArray();
}

void writeFields(JsonWriter& out, const msg::AppList& m)
{
    writeRecords(out, "apps", m.apps);
}

void writeFields(JsonWriter& out, const msg::RegisteredAppList& m)
{
    writeRecords(out, "apps", m.apps);
}

void writeFields(JsonWriter& out, const msg::SystemButtons& m)
{
    writeRecords(out, "buttons", m.buttons);
}

void writeFields(JsonWriter& out, const msg::FavoriteSites& m)
{
    writeRecords(out, "sites", m.sites);
}

void writeFields(JsonWriter& out, const msg::OpenURL& m)
{
    out.key("url").string(m.url);
    if (m.browserBundleId)
        out.key("browserBundleId").string(*m.browserBundleId);
}

msg::MouseDelta readFields(FieldReader& in, Type<msg::MouseDelta>)
{
    return { in.float32("dx"), in.float32("dy") };
}

msg::Scroll readFields(FieldReader& in, Type<msg::Scroll>)
{
    return { in.float32("deltaY") };
}

msg::DragDelta readFields(FieldReader& in, Type<msg::DragDelta>)
{
    return { in.float32("dx"), in.float32("dy") };
}

msg::KeyDown readFields(FieldReader& in, Type<msg::KeyDown>)
{
    return { in.uint8("modifier"), in.uint8("keyCode") };
}

msg::TextInput readFields(FieldReader& in, Type<msg::TextInput>)
{
    return { in.string("_0") };
}

msg::Pinch readFields(FieldReader& in, Type<msg::Pinch>)
{
    return { in.float32("scale") };
}

msg::VolumeDelta readFields(FieldReader& in, Type<msg::VolumeDelta>)
{
    return { in.int64("steps") };
}

msg::SetMuted readFields(FieldReader& in, Type<msg::SetMuted>)
{
    return { in.boolean("_0") };
}

msg::LaunchApp readFields(FieldReader& in, Type<msg::LaunchApp>)
{
    return { in.string("bundleId") };
}

msg::ActivateApp readFields(FieldReader& in, Type<msg::ActivateApp>)
{
    return { in.string("bundleId") };
}

msg::AppList readFields(FieldReader& in, Type<msg::AppList>)
{
    return { in.array<AppInfo>("apps", appInfoFromJson) };
}

msg::RegisteredAppList readFields(FieldReader& in, Type<msg::RegisteredAppList>)
{
    return { in.array<AppInfo>("apps", appInfoFromJson) };
}

msg::SystemButtons readFields(FieldReader& in, Type<msg::SystemButtons>)
{
    return { in.array<SystemButton>("buttons", systemButtonFromJson) };
}

msg::FavoriteSites readFields(FieldReader& in, Type<msg::FavoriteSites>)
{
    return { in.array<FavoriteSite>("sites", favoriteSiteFromJson) };
}

msg::OpenURL readFields(FieldReader& in, Type<msg::OpenURL>)
{
    return { in.string("url"), in.optionalString("browserBundleId") };
}

} // namespace

std::string_view caseKey(const ControlMessage& message)
{
    return kCaseKeys[message.index()];
}

Result<std::string> encodeMessage(const ControlMessage& message)
{
    JsonWriter writer;
    std::visit(
        [&](const auto& payload) {
            tagged::write(writer, caseKey(message),
                          [&](JsonWriter& out) { writeFields(out, payload); });
        },
        message);
    if (writer.failed())
        return Error { std::string(caseKey(message)) + ": a number is not finite" };
    return writer.take();
}

Result<ControlMessage> decodeMessage(std::string_view json)
{
    const Json document = parseJson(json);
    if (document.is_discarded())
        return Error { "not valid JSON" };
    const auto found = tagged::findCase(document, kCaseKeys);
    if (!found)
        return Error { found.error() };
    return tagged::read<ControlMessage>(
        found.value(), kCaseKeys[found.value().index],
        [](FieldReader& in, auto type) { return readFields(in, type); });
}

} // namespace kavora
