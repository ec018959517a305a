// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/Records.h"

#include "protocol/CanonicalText.h"

namespace kavora {
namespace {

bool sameText(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    if (a && b)
        return canonicallyEqual(*a, *b);
    return a.has_value() == b.has_value();
}

} // namespace

namespace macro {

bool operator==(const Shortcut& a, const Shortcut& b)
{
    return a.modifier == b.modifier && a.keyCode == b.keyCode;
}

bool operator==(const LaunchApp& a, const LaunchApp& b)
{
    return canonicallyEqual(a.bundleId, b.bundleId) && canonicallyEqual(a.name, b.name);
}

bool operator==(const TextInput& a, const TextInput& b)
{
    return canonicallyEqual(a.text, b.text);
}

bool operator==(const MissionControl&, const MissionControl&)
{
    return true;
}

} // namespace macro

bool operator==(const FavoriteSite& a, const FavoriteSite& b)
{
    return canonicallyEqual(a.id, b.id) && canonicallyEqual(a.url, b.url)
        && canonicallyEqual(a.name, b.name) && sameText(a.browserBundleId, b.browserBundleId)
        && a.iconPNG == b.iconPNG && a.userNamed == b.userNamed;
}

bool operator==(const SystemButton& a, const SystemButton& b)
{
    return canonicallyEqual(a.id, b.id) && canonicallyEqual(a.label, b.label)
        && canonicallyEqual(a.sfSymbol, b.sfSymbol) && canonicallyEqual(a.colorHex, b.colorHex)
        && a.action == b.action;
}

bool operator==(const MacroAction& a, const MacroAction& b)
{
    if (a.index() != b.index())
        return false;
    return std::visit(
        [&b](const auto& left) { return left == std::get<std::decay_t<decltype(left)>>(b); }, a);
}

} // namespace kavora
