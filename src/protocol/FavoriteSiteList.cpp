// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/FavoriteSiteList.h"

#include "core/Json.h"
#include "protocol/JsonWriter.h"
#include "protocol/RecordCoding.h"

#include <nlohmann/json.hpp>

namespace kavora {

std::string encodeFavoriteSiteList(const std::vector<FavoriteSite>& sites)
{
    JsonWriter writer;
    writer.beginArray();
    for (const auto& site : sites)
        writeJson(writer, site);
    writer.endArray();
    return writer.take();
}

Result<std::vector<FavoriteSite>> decodeFavoriteSiteList(std::string_view json)
{
    const auto document = parseJson(json);
    if (document.is_discarded())
        return Error { "not valid JSON" };
    if (!document.is_array())
        return Error { "expected an array" };
    std::vector<FavoriteSite> sites;
    sites.reserve(document.size());
    for (std::size_t i = 0; i < document.size(); ++i) {
        auto site = favoriteSiteFromJson(document[i]);
        if (!site) {
            // Appended piece by piece: g++ 12 at -O3 misreads the chained operator+ as an
            // overlapping copy (-Wrestrict).
            std::string where = "[";
            where += std::to_string(i);
            where += "]: ";
            where += site.error();
            return Error { std::move(where) };
        }
        sites.push_back(std::move(site).value());
    }
    return sites;
}

} // namespace kavora
