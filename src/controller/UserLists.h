#pragma once

#include "core/Published.h"
#include "protocol/Records.h"

#include <string>
#include <vector>

namespace kavora {

// The three lists the user keeps, in the user's order. The controller owns them; every
// assignment notifies its subscribers, which is where the change handlers (store, push) hang.
struct UserLists {
    Published<std::vector<std::string>> registeredBundleIds;
    Published<std::vector<std::string>> systemButtonIDs;
    Published<std::vector<FavoriteSite>> favoriteSites;
};

} // namespace kavora
