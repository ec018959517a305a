// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/TaggedUnion.h"

#include <algorithm>

namespace kavora::tagged {

Result<Case> findCase(const nlohmann::json& value, std::span<const std::string_view> keys)
{
    if (!value.is_object())
        return Error { "expected an object" };
    // The cheaper side is walked: the members (a message has one) against the key list, or,
    // for an object with more members than there are keys, each key looked up; either way the
    // cost stays bounded by the smaller of the two.
    Case found;
    std::size_t count = 0;
    if (value.size() <= keys.size()) {
        for (auto member = value.begin(); member != value.end(); ++member) {
            const auto key = std::ranges::find(keys, std::string_view(member.key()));
            if (key == keys.end())
                continue;
            ++count;
            found = Case { static_cast<std::size_t>(key - keys.begin()), &member.value() };
        }
    } else {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto member = value.find(keys[i]);
            if (member == value.end())
                continue;
            ++count;
            found = Case { i, &*member };
        }
    }
    if (count != 1)
        return Error { std::string(kInvalidNumberOfKeys) };
    if (!found.payload->is_object())
        return Error { std::string(keys[found.index]) + ": expected an object" };
    return found;
}

} // namespace kavora::tagged
