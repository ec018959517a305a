// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"
#include "core/Published.h"
#include "core/Scheduler.h"
#include "platform/HttpClient.h"
#include "platform/SettingKeys.h"
#include "protocol/Records.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class LaunchServices;
class UserDefaults;

// The user's favourite web sites: the list operations, the list the device sees (favicon and
// page title fetched in the background, cached for the life of the process) and the opening of a
// site in a browser. Owns the list: its operations are the only writers, and whoever stores and
// pushes the list subscribes to the view; pushes again through pushIfConnected whenever a favicon
// or title arrives. Main thread only; owned by a std::shared_ptr so that network completions hold
// it weakly.
class FavoriteSites final : public std::enable_shared_from_this<FavoriteSites> {
    struct Passkey { };

public:
    using List = Published<std::vector<FavoriteSite>>;

    struct Services {
        Scheduler& scheduler;
        HttpClient& http;
        LaunchServices& launcher;
        const UserDefaults& defaults;
    };

    static constexpr std::size_t kMaxSites = 10;
    // The host of the favicon service; a value starting with "http://" or "https://" is taken
    // as the whole base address (a test server, a self-hosted mirror).
    static constexpr std::string_view kFaviconServiceHostKey = settingkey::kFaviconServiceHost.name;
    static constexpr std::string_view kDefaultFaviconServiceHost
        = settingkey::kFaviconServiceHost.whenAbsent;
    static constexpr Seconds kPageTitleTimeout { 8.0 };
    static constexpr std::string_view kUserAgent = "Mozilla/5.0 (Macintosh) Kavora";
    // Larger answers are not icons or pages worth reading a title from.
    static constexpr std::size_t kMaxIconBytes = std::size_t { 256 } * 1024;
    static constexpr std::size_t kMaxPageBytes = std::size_t { 512 } * 1024;
    // A longer title or site name is cut to this many code points before the device sees it.
    static constexpr std::size_t kMaxTitleLength = 200;

    static std::shared_ptr<FavoriteSites> create(const Services& services,
                                                 std::function<void()> pushIfConnected);
    FavoriteSites(Passkey, const Services& services, std::function<void()> pushIfConnected);
    FavoriteSites(const FavoriteSites&) = delete;
    FavoriteSites& operator=(const FavoriteSites&) = delete;
    // Cancels the requests still in flight.
    ~FavoriteSites();

    // The sites in the user's order, as stored (names as the user gave them, no icons).
    const List& favoriteSites() const { return sites_; }
    // Start-up: takes the stored list as it is (no limit applied).
    void restoreFavoriteSites(std::vector<FavoriteSite> sites);

    void addFavoriteSite(const std::string& url, const std::string& name,
                         const std::optional<std::string>& browserBundleId);
    void removeFavoriteSite(const std::string& id);
    void renameFavoriteSite(const std::string& id, const std::string& name);
    void moveFavoriteSite(const std::string& from, const std::string& to);

    // The list as the device sees it. Starts a fetch for each favicon and title still missing
    // (one request per site and kind at a time).
    std::vector<FavoriteSite> favoriteSitesForPeer();

    void openURLInBrowser(const std::string& url,
                          const std::optional<std::string>& browserBundleId);

    const std::map<std::string, Bytes>& faviconCache() const { return faviconCache_; }
    const std::map<std::string, std::string>& pageTitleCache() const { return pageTitleCache_; }

private:
    void fetchFavicon(const std::string& url);
    void fetchPageTitle(const std::string& url);
    std::string faviconServiceBase() const;

    Scheduler& scheduler_;
    HttpClient& http_;
    LaunchServices& launcher_;
    const UserDefaults& defaults_;
    List sites_;
    std::function<void()> pushIfConnected_;
    std::map<std::string, Bytes> faviconCache_; // site url -> icon bytes
    std::map<std::string, std::string> pageTitleCache_; // site url -> title
    std::map<std::string, HttpClient::RequestId> faviconsInFlight_; // by site url
    std::map<std::string, HttpClient::RequestId> titlesInFlight_; // by site url
};

// The title of an HTML page: the text between the first "<title ...>" and the following
// "</title>" (tags in any letter case), with &amp; &lt; &gt; &quot; &#39; &nbsp; decoded in this
// order, one pass each, and trimmed. Absent when there is no such text or it is blank.
std::optional<std::string> extractTitle(std::string_view html);

} // namespace kavora
