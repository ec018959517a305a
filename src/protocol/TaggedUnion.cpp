#include "protocol/TaggedUnion.h"

namespace kavora::tagged {

Result<Case> findCase(const nlohmann::json& value, std::span<const std::string_view> keys)
{
    if (!value.is_object())
        return Error { "expected an object" };
    // Looking each case key up keeps the cost independent of how many other members there are.
    Case found;
    std::size_t count = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto member = value.find(keys[i]);
        if (member == value.end())
            continue;
        ++count;
        found = Case { i, &*member };
    }
    if (count != 1)
        return Error { std::string(kInvalidNumberOfKeys) };
    if (!found.payload->is_object())
        return Error { std::string(keys[found.index]) + ": expected an object" };
    return found;
}

} // namespace kavora::tagged
