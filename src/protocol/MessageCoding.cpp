// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/MessageCoding.h"

#include "protocol/JsonLexer.h"
#include "protocol/JsonWriter.h"
#include "protocol/PayloadReader.h"
#include "protocol/RecordCoding.h"
#include "protocol/TaggedUnion.h"

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>

namespace kavora {
namespace {

using Token = JsonLexer::Token;
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
static_assert(kCaseKeys.size() <= 32, "decodeMessage keeps a bit per case key in 32 bits");

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

msg::MouseDelta readFields(PayloadReader& in, Type<msg::MouseDelta>)
{
    return { in.float32("dx"), in.float32("dy") };
}

msg::Scroll readFields(PayloadReader& in, Type<msg::Scroll>)
{
    return { in.float32("deltaY") };
}

msg::DragDelta readFields(PayloadReader& in, Type<msg::DragDelta>)
{
    return { in.float32("dx"), in.float32("dy") };
}

msg::KeyDown readFields(PayloadReader& in, Type<msg::KeyDown>)
{
    return { in.uint8("modifier"), in.uint8("keyCode") };
}

msg::TextInput readFields(PayloadReader& in, Type<msg::TextInput>)
{
    return { in.string("_0") };
}

msg::Pinch readFields(PayloadReader& in, Type<msg::Pinch>)
{
    return { in.float32("scale") };
}

msg::VolumeDelta readFields(PayloadReader& in, Type<msg::VolumeDelta>)
{
    return { in.int64("steps") };
}

msg::SetMuted readFields(PayloadReader& in, Type<msg::SetMuted>)
{
    return { in.boolean("_0") };
}

msg::LaunchApp readFields(PayloadReader& in, Type<msg::LaunchApp>)
{
    return { in.string("bundleId") };
}

msg::ActivateApp readFields(PayloadReader& in, Type<msg::ActivateApp>)
{
    return { in.string("bundleId") };
}

msg::AppList readFields(PayloadReader& in, Type<msg::AppList>)
{
    return { in.array<AppInfo>("apps", appInfoFromJson) };
}

msg::RegisteredAppList readFields(PayloadReader& in, Type<msg::RegisteredAppList>)
{
    return { in.array<AppInfo>("apps", appInfoFromJson) };
}

msg::SystemButtons readFields(PayloadReader& in, Type<msg::SystemButtons>)
{
    return { in.array<SystemButton>("buttons", systemButtonFromJson) };
}

msg::FavoriteSites readFields(PayloadReader& in, Type<msg::FavoriteSites>)
{
    return { in.array<FavoriteSite>("sites", favoriteSiteFromJson) };
}

msg::OpenURL readFields(PayloadReader& in, Type<msg::OpenURL>)
{
    return { in.string("url"), in.optionalString("browserBundleId") };
}

// The case whose key a member's name is, without allocating.
std::optional<std::size_t> caseIndex(std::string_view name, bool escaped)
{
    for (std::size_t i = 0; i < kCaseKeys.size(); ++i) {
        if (jsonStringEquals(name, escaped, kCaseKeys[i]))
            return i;
    }
    return std::nullopt;
}

constexpr std::string_view kNotJson = "not valid JSON";

struct CaseMember {
    std::size_t index = 0;
    Token token = Token::Null; // the first of the value
    std::string_view payload;
};

// What the members of the top-level object name: a bit per case key met, and the last member
// whose key is a case key (a key named twice counts once, with its last value, as the document
// parser keeps it).
struct CaseMembers {
    std::uint32_t named = 0;
    std::optional<CaseMember> last;
};

// Reads the members of the object just begun, up to its end; nothing when the text is not JSON.
std::optional<CaseMembers> readCaseMembers(JsonLexer& lexer, std::string_view json)
{
    CaseMembers members;
    // A name, a separator and a value, apart by commas; none after the last.
    Token token = lexer.next();
    while (token != Token::EndObject) {
        if (token != Token::String)
            return std::nullopt;
        const auto index = caseIndex(lexer.text(), lexer.stringHasEscapes());
        if (lexer.next() != Token::NameSeparator)
            return std::nullopt;
        const Token value = lexer.next();
        const std::size_t begin = lexer.tokenBegin();
        if (!lexer.skipValue(value))
            return std::nullopt;
        if (index) {
            members.named |= std::uint32_t(1) << *index;
            members.last
                = CaseMember { *index, value, json.substr(begin, lexer.tokenEnd() - begin) };
        }
        token = lexer.next();
        if (token == Token::ValueSeparator) {
            token = lexer.next();
            if (token != Token::String)
                return std::nullopt;
        } else if (token != Token::EndObject) {
            return std::nullopt;
        }
    }
    return members;
}

// Payload-free cases do not look inside their object; the others read their fields, and a
// failure is described as "caseKey: field: problem".
template <std::size_t I> Result<ControlMessage> readCase(PayloadReader& in)
{
    using T = std::variant_alternative_t<I, ControlMessage>;
    if constexpr (std::is_empty_v<T>) {
        return ControlMessage(std::in_place_index<I>);
    } else {
        T value = readFields(in, Type<T> {});
        if (!in.ok())
            return Error { std::string(kCaseKeys[I]) + ": " + in.error().description };
        return ControlMessage(std::in_place_index<I>, std::move(value));
    }
}

using CaseReader = Result<ControlMessage> (*)(PayloadReader&);

// By variant index, as the keys are.
constexpr auto kCaseReaders = []<std::size_t... I>(std::index_sequence<I...>)
{
    return std::array<CaseReader, sizeof...(I)> { &readCase<I>... };
}
(std::make_index_sequence<std::variant_size_v<ControlMessage>>());

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
    // One pass checks the whole text and finds the member with a case key; its payload is then
    // read from its bytes.
    JsonLexer lexer(json);
    const Token first = lexer.next();
    std::optional<CaseMembers> members;
    if (first == Token::BeginObject) {
        members = readCaseMembers(lexer, json);
        if (!members)
            return Error { std::string(kNotJson) };
    } else if (!lexer.skipValue(first)) {
        return Error { std::string(kNotJson) };
    }
    if (lexer.next() != Token::End)
        return Error { std::string(kNotJson) };
    if (!members)
        return Error { "expected an object" };
    if (std::popcount(members->named) != 1)
        return Error { std::string(tagged::kInvalidNumberOfKeys) };
    const CaseMember& found = *members->last;
    if (found.token != Token::BeginObject)
        return Error { std::string(kCaseKeys[found.index]) + ": expected an object" };
    PayloadReader reader(found.payload);
    return kCaseReaders[found.index](reader);
}

} // namespace kavora
