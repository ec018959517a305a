// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/RecordCoding.h"

#include "core/Overloaded.h"
#include "protocol/FieldReader.h"
#include "protocol/TaggedUnion.h"

#include <array>
#include <string_view>

namespace kavora {
namespace {

// In the declaration order of MacroAction.
constexpr std::array<std::string_view, std::variant_size_v<MacroAction>> kActionKeys {
    "shortcut", "launchApp", "textInput", "missionControl"
};

template <class Record> nlohmann::json parsedForm(const Record& record)
{
    JsonWriter writer;
    writeJson(writer, record);
    // The writer only produces valid JSON, so this parse always succeeds.
    return nlohmann::json::parse(writer.text(), nullptr, false);
}

macro::Shortcut readFields(FieldReader& reader, std::type_identity<macro::Shortcut>)
{
    return { reader.uint8("modifier"), reader.uint8("keyCode") };
}

macro::LaunchApp readFields(FieldReader& reader, std::type_identity<macro::LaunchApp>)
{
    return { reader.string("bundleId"), reader.string("name") };
}

macro::TextInput readFields(FieldReader& reader, std::type_identity<macro::TextInput>)
{
    return { reader.string("_0") };
}

} // namespace

void writeJson(JsonWriter& writer, const AppInfo& app)
{
    writer.beginObject();
    writer.key("bundleId").string(app.bundleId);
    writer.key("name").string(app.name);
    if (app.iconPNG)
        writer.key("iconPNG").base64(*app.iconPNG);
    writer.key("isRunning").boolean(app.isRunning);
    writer.endObject();
}

void writeJson(JsonWriter& writer, const FavoriteSite& site)
{
    writer.beginObject();
    writer.key("id").string(site.id);
    writer.key("url").string(site.url);
    writer.key("name").string(site.name);
    if (site.browserBundleId)
        writer.key("browserBundleId").string(*site.browserBundleId);
    if (site.iconPNG)
        writer.key("iconPNG").base64(*site.iconPNG);
    writer.key("userNamed").boolean(site.userNamed);
    writer.endObject();
}

void writeJson(JsonWriter& writer, const SystemButton& button)
{
    writer.beginObject();
    writer.key("id").string(button.id);
    writer.key("label").string(button.label);
    writer.key("sfSymbol").string(button.sfSymbol);
    writer.key("colorHex").string(button.colorHex);
    writeJson(writer.key("action"), button.action);
    writer.endObject();
}

void writeJson(JsonWriter& writer, const MacroAction& action)
{
    std::visit(Overloaded {
                   [&](const macro::Shortcut& shortcut) {
                       tagged::write(writer, kActionKeys[0], [&](JsonWriter& out) {
                           out.key("modifier").integer(shortcut.modifier);
                           out.key("keyCode").integer(shortcut.keyCode);
                       });
                   },
                   [&](const macro::LaunchApp& launch) {
                       tagged::write(writer, kActionKeys[1], [&](JsonWriter& out) {
                           out.key("bundleId").string(launch.bundleId);
                           out.key("name").string(launch.name);
                       });
                   },
                   [&](const macro::TextInput& text) {
                       tagged::write(writer, kActionKeys[2],
                                     [&](JsonWriter& out) { out.key("_0").string(text.text); });
                   },
                   [&](const macro::MissionControl&) {
                       tagged::write(writer, kActionKeys[3], [](JsonWriter&) {});
                   },
               },
               action);
}

nlohmann::json toJson(const AppInfo& app)
{
    return parsedForm(app);
}
nlohmann::json toJson(const FavoriteSite& site)
{
    return parsedForm(site);
}
nlohmann::json toJson(const SystemButton& button)
{
    return parsedForm(button);
}
nlohmann::json toJson(const MacroAction& action)
{
    return parsedForm(action);
}

Result<AppInfo> appInfoFromJson(const nlohmann::json& value)
{
    FieldReader reader(value);
    AppInfo app;
    app.bundleId = reader.string("bundleId");
    app.name = reader.string("name");
    app.iconPNG = reader.optionalBytes("iconPNG");
    app.isRunning = reader.boolean("isRunning");
    return reader.finish(std::move(app));
}

Result<FavoriteSite> favoriteSiteFromJson(const nlohmann::json& value)
{
    FieldReader reader(value);
    FavoriteSite site;
    site.id = reader.string("id");
    site.url = reader.string("url");
    site.name = reader.string("name");
    site.browserBundleId = reader.optionalString("browserBundleId");
    site.iconPNG = reader.optionalBytes("iconPNG");
    site.userNamed = reader.booleanOrFalse("userNamed");
    return reader.finish(std::move(site));
}

Result<SystemButton> systemButtonFromJson(const nlohmann::json& value)
{
    FieldReader reader(value);
    SystemButton button;
    button.id = reader.string("id");
    button.label = reader.string("label");
    button.sfSymbol = reader.string("sfSymbol");
    button.colorHex = reader.string("colorHex");
    button.action = reader.record<MacroAction>("action", macroActionFromJson);
    return reader.finish(std::move(button));
}

Result<MacroAction> macroActionFromJson(const nlohmann::json& value)
{
    const auto found = tagged::findCase(value, kActionKeys);
    if (!found)
        return Error { found.error() };
    return tagged::read<MacroAction>(
        found.value(), kActionKeys[found.value().index],
        [](FieldReader& reader, auto type) { return readFields(reader, type); });
}

} // namespace kavora
