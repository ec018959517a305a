// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/PlistLegacyPreferences.h"

#include "platform/linux/settings/UserFolders.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <utility>

#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavora {
namespace {

using nlohmann::json;

// Seconds from 1970-01-01 to 2001-01-01, the origin of property-list dates.
constexpr double kReferenceDateOffset = 978307200.0;
// A binary property list may refer to one object many times, so a small file can describe a huge
// tree; the conversion stops when the copy passes these bounds.
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxConvertedBytes = std::size_t { 16 } * 1024 * 1024;

class Converter {
public:
    std::optional<json> convert(plist_t node, int depth)
    {
        budget_ += 16;
        if (budget_ > kMaxConvertedBytes || depth > kMaxDepth)
            return std::nullopt;
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            std::uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return json(value != 0);
        }
        case PLIST_UINT: {
            // libplist 2.2 has no signed type: negative integers arrive in two's complement.
            std::uint64_t value = 0;
            plist_get_uint_val(node, &value);
            return json(static_cast<std::int64_t>(value));
        }
        case PLIST_UID: {
            std::uint64_t value = 0;
            plist_get_uid_val(node, &value);
            return json(static_cast<std::int64_t>(value));
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return json(value);
        }
        case PLIST_DATE: {
            std::int32_t seconds = 0;
            std::int32_t microseconds = 0;
            plist_get_date_val(node, &seconds, &microseconds);
            return json(kReferenceDateOffset + seconds + microseconds / 1e6);
        }
        case PLIST_STRING: {
            std::uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            if (!charge(length))
                return std::nullopt;
            return json(std::string(text != nullptr ? text : "", text != nullptr ? length : 0));
        }
        case PLIST_DATA: {
            std::uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            if (!charge(length))
                return std::nullopt;
            const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
            return json::binary(
                json::binary_t::container_type(begin, bytes != nullptr ? begin + length : begin));
        }
        case PLIST_ARRAY:
            return convertArray(node, depth);
        case PLIST_DICT:
            return convertDictionary(node, depth);
        default:
            return json(); // no property-list value: left out by the caller
        }
    }

private:
    bool charge(std::uint64_t bytes)
    {
        if (bytes > kMaxConvertedBytes - budget_)
            return false;
        budget_ += bytes;
        return true;
    }

    std::optional<json> convertArray(plist_t node, int depth)
    {
        json array = json::array();
        const std::uint32_t size = plist_array_get_size(node);
        for (std::uint32_t i = 0; i < size; ++i) {
            auto element = convert(plist_array_get_item(node, i), depth + 1);
            if (!element)
                return std::nullopt;
            if (!element->is_null())
                array.push_back(std::move(*element));
        }
        return array;
    }

    std::optional<json> convertDictionary(plist_t node, int depth)
    {
        json object = json::object();
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        std::unique_ptr<void, decltype(&std::free)> iteratorOwner(iterator, &std::free);
        for (;;) {
            char* rawKey = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &rawKey, &value);
            std::unique_ptr<char, decltype(&std::free)> key(rawKey, &std::free);
            if (value == nullptr)
                break;
            auto converted = convert(value, depth + 1);
            if (!converted || !charge(key ? std::strlen(key.get()) : 0))
                return std::nullopt;
            if (key && !converted->is_null())
                object[key.get()] = std::move(*converted);
        }
        return object;
    }

    std::size_t budget_ = 0;
};

std::optional<std::string> readCapped(const std::string& path, std::size_t limit)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string bytes;
    bytes.resize(limit + 1);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

} // namespace

std::optional<nlohmann::json> parsePropertyListUnsafely(std::string_view bytes)
{
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    if (root == nullptr)
        return std::nullopt;
    std::unique_ptr<void, decltype(&plist_free)> owner(root, &plist_free);
    if (plist_get_node_type(root) != PLIST_DICT)
        return std::nullopt;
    return Converter().convert(root, 0);
}

int runLegacyPreferencesReader()
{
    // The receiver sends at most its file-size cap; a little more is still no reason to fail.
    constexpr std::size_t kMaxInput = PlistLegacyPreferences::kDefaultMaxFileSize * 16;
    std::string bytes;
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t count = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count == 0)
            break;
        if (count < 0 || bytes.size() + static_cast<std::size_t>(count) > kMaxInput)
            return 1;
        bytes.append(buffer.data(), static_cast<std::size_t>(count));
    }
    const auto dictionary = parsePropertyListUnsafely(bytes);
    if (!dictionary)
        return 1;
    const auto cbor = json::to_cbor(*dictionary);
    for (std::size_t written = 0; written < cbor.size();) {
        const ssize_t count = ::write(STDOUT_FILENO, cbor.data() + written, cbor.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return 1;
        written += static_cast<std::size_t>(count);
    }
    return 0;
}

std::optional<PropertyListDictionary> dictionaryFromReaderOutput(std::string_view output)
{
    json object;
    try {
        // Without exceptions asked for, a container announcing more members than memory could
        // hold still throws.
        object = json::from_cbor(output, true, false);
    } catch (const json::exception&) {
        return std::nullopt;
    }
    if (!object.is_object())
        return std::nullopt;
    PropertyListDictionary dictionary;
    for (const auto& [key, value] : object.items())
        dictionary.emplace(key, value);
    return dictionary;
}

PlistLegacyPreferences::PlistLegacyPreferences(std::string readerProgram, IsolationLimits limits,
                                               std::size_t maxFileSize)
    : readerProgram_(std::move(readerProgram))
    , limits_(limits)
    , maxFileSize_(maxFileSize)
{
}

std::string PlistLegacyPreferences::homeDirectory() const
{
    return kavora::homeDirectory();
}

std::optional<PropertyListDictionary> PlistLegacyPreferences::read(const std::string& path)
{
    return readWithOutcome(path).dictionary;
}

PlistLegacyPreferences::Reading
PlistLegacyPreferences::readWithOutcome(const std::string& path) const
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return { Outcome::Missing, std::nullopt };
    auto bytes = readCapped(path, maxFileSize_);
    if (!bytes)
        return { Outcome::Missing, std::nullopt };
    if (bytes->size() > maxFileSize_)
        return { Outcome::TooLarge, std::nullopt };

    const auto isolated = runIsolated(readerProgram_, { kLegacyReaderFlag }, *bytes, limits_);
    switch (isolated.status) {
    case IsolatedOutcome::Status::Finished:
        break;
    case IsolatedOutcome::Status::Crashed:
        return { Outcome::ParserCrashed, std::nullopt };
    case IsolatedOutcome::Status::TimedOut:
        return { Outcome::TimedOut, std::nullopt };
    default:
        return { Outcome::NotADictionary, std::nullopt };
    }
    auto dictionary = dictionaryFromReaderOutput(isolated.output);
    if (!dictionary)
        return { Outcome::NotADictionary, std::nullopt };
    return { Outcome::Dictionary, std::move(dictionary) };
}

} // namespace kavora
