// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/Translation.h"

#include <algorithm>

#include <libintl.h>

namespace kavora {

const char* i18n(const char* english)
{
    return dgettext(kTextDomain, english);
}

const char* i18np(const char* singular, const char* plural, unsigned long count)
{
    return dngettext(kTextDomain, singular, plural, count);
}

std::string fillIn(std::string_view text, std::initializer_list<Placeholder> values)
{
    std::string filled;
    filled.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('{', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('}', open);
        if (close == std::string_view::npos) {
            filled.append(text.substr(at));
            break;
        }
        const auto name = text.substr(open + 1, close - open - 1);
        filled.append(text.substr(at, open - at));
        const auto* value
            = std::find_if(values.begin(), values.end(),
                           [&](const Placeholder& each) { return each.first == name; });
        if (value == values.end()) {
            filled.push_back('{');
            at = open + 1;
            continue;
        }
        filled.append(value->second);
        at = close + 1;
    }
    return filled;
}

} // namespace kavora
