// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/portal/LayoutKeysyms.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <gio/gio.h>
#include <xkbcommon/xkbcommon.h>

namespace kavora {
namespace {

// GNOME's first keyboard input source as layout and variant ("jp", "us+dvorak"); nothing where
// GNOME's settings are not installed or list no keyboard layout.
std::optional<std::pair<std::string, std::string>> gnomeLayout()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return std::nullopt;
    GSettingsSchema* schema
        = g_settings_schema_source_lookup(source, "org.gnome.desktop.input-sources", TRUE);
    if (!schema)
        return std::nullopt;
    g_settings_schema_unref(schema);
    GSettings* settings = g_settings_new("org.gnome.desktop.input-sources");
    GVariant* sources = g_settings_get_value(settings, "sources");
    std::optional<std::pair<std::string, std::string>> layout;
    GVariantIter iter;
    g_variant_iter_init(&iter, sources);
    const gchar* type = nullptr;
    const gchar* id = nullptr;
    while (!layout && g_variant_iter_next(&iter, "(&s&s)", &type, &id)) {
        if (std::string(type) != "xkb")
            continue;
        const std::string name(id);
        const auto plus = name.find('+');
        layout = plus == std::string::npos
            ? std::pair { name, std::string() }
            : std::pair { name.substr(0, plus), name.substr(plus + 1) };
    }
    g_variant_unref(sources);
    g_object_unref(settings);
    return layout;
}

} // namespace

void LayoutKeysyms::reload()
{
    keysyms_.clear();
    const std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    if (!context)
        return;
    const auto layout = gnomeLayout();
    xkb_rule_names names {};
    if (layout) {
        names.layout = layout->first.c_str();
        names.variant = layout->second.c_str();
    }
    const std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    if (!keymap)
        return;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap.get());
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap.get()); key <= last; ++key) {
        // The first layout of the keymap, levels 1 and 2 (Shift): the compositor presses Shift
        // itself where a keysym needs it, and no other modifier.
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap.get(), key, 0);
        for (xkb_level_index_t level = 0; level < std::min(levels, 2U); ++level) {
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap.get(), key, 0, level, &syms);
            for (int i = 0; i < count; ++i)
                keysyms_.insert(syms[i]);
        }
    }
}

} // namespace kavora
