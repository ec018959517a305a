// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/FavoriteSites.h"

#include "controller/UrlText.h"
#include "core/Text.h"
#include "platform/LaunchServices.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cassert>
#include <iterator>
#include <utility>

namespace kavora {
namespace {

constexpr std::string_view kFaviconPath = "/s2/favicons?domain=";
constexpr std::string_view kFaviconSize = "&sz=64";
// Titles and site names as the device shows them.
constexpr auto kShownNameLimit = TextLimit::characters(FavoriteSites::kMaxTitleLength);

// The first occurrence of `needle` (lower-case ASCII) at or after `from` (at most the text's
// size), ignoring ASCII case.
std::size_t findIgnoringCase(std::string_view text, std::string_view needle, std::size_t from)
{
    assert(from <= text.size());
    const auto* const found
        = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), needle.begin(),
                      needle.end(), [](char a, char b) { return asciiLowercase(a) == b; });
    return found == text.end() ? std::string_view::npos
                               : static_cast<std::size_t>(found - text.begin());
}

// Replaces every occurrence in one pass from left to right; replaced text is not looked at again.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string result;
    result.reserve(text.size());
    std::size_t at = 0;
    for (auto found = text.find(from); found != std::string_view::npos;
         found = text.find(from, at)) {
        result.append(text.substr(at, found - at)).append(to);
        at = found + from.size();
    }
    result.append(text.substr(at));
    return result;
}

} // namespace

std::optional<std::string> extractTitle(std::string_view html)
{
    const auto open = findIgnoringCase(html, "<title", 0);
    if (open == std::string_view::npos)
        return std::nullopt;
    const auto tagEnd = html.find('>', open + 6);
    if (tagEnd == std::string_view::npos)
        return std::nullopt;
    const auto close = findIgnoringCase(html, "</title>", tagEnd + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    auto title = std::string(html.substr(tagEnd + 1, close - tagEnd - 1));
    title = replaceAll(title, "&amp;", "&");
    title = replaceAll(title, "&lt;", "<");
    title = replaceAll(title, "&gt;", ">");
    title = replaceAll(title, "&quot;", "\"");
    title = replaceAll(title, "&#39;", "'");
    title = replaceAll(title, "&nbsp;", " ");
    title = trimWhitespaceAndNewlines(title);
    if (title.empty())
        return std::nullopt;
    return title;
}

std::shared_ptr<FavoriteSites> FavoriteSites::create(const Services& services,
                                                     std::function<void()> pushIfConnected)
{
    return std::make_shared<FavoriteSites>(Passkey {}, services, std::move(pushIfConnected));
}

FavoriteSites::FavoriteSites(Passkey, const Services& services,
                             std::function<void()> pushIfConnected)
    : scheduler_(services.scheduler)
    , http_(services.http)
    , launcher_(services.launcher)
    , defaults_(services.defaults)
    , pushIfConnected_(std::move(pushIfConnected))
{
}

FavoriteSites::~FavoriteSites()
{
    for (const auto& [url, id] : faviconsInFlight_)
        http_.cancel(id);
    for (const auto& [url, id] : titlesInFlight_)
        http_.cancel(id);
}

void FavoriteSites::restoreFavoriteSites(std::vector<FavoriteSite> sites)
{
    sites_ = std::move(sites);
}

void FavoriteSites::addFavoriteSite(const std::string& url, const std::string& name,
                                    const std::optional<std::string>& browserBundleId)
{
    if (sites_->size() >= kMaxSites)
        return;
    auto normalized = normalizeURL(url);
    if (normalized.empty())
        return;
    if (std::any_of(sites_->begin(), sites_->end(),
                    [&](const FavoriteSite& site) { return site.url == normalized; }))
        return;
    auto trimmedName = trimWhitespace(name);
    FavoriteSite site;
    site.id = normalized;
    site.url = normalized;
    site.userNamed = !trimmedName.empty();
    site.name = site.userNamed ? std::move(trimmedName) : hostOrSelf(normalized);
    site.browserBundleId = browserBundleId;
    auto sites = *sites_;
    sites.push_back(std::move(site));
    sites_ = std::move(sites);
}

void FavoriteSites::removeFavoriteSite(const std::string& id)
{
    auto sites = *sites_;
    std::erase_if(sites, [&](const FavoriteSite& site) { return site.id == id; });
    sites_ = std::move(sites);
}

void FavoriteSites::renameFavoriteSite(const std::string& id, const std::string& name)
{
    const auto found = std::find_if(sites_->begin(), sites_->end(),
                                    [&](const FavoriteSite& site) { return site.id == id; });
    if (found == sites_->end())
        return;
    const auto index = static_cast<std::size_t>(std::distance(sites_->begin(), found));
    const bool userNamed = !trimWhitespaceAndNewlines(name).empty();

    // Name first, then the flag: two assignments, each stored and pushed by the owner.
    auto sites = *sites_;
    sites[index].name = userNamed ? name : std::string();
    sites_ = std::move(sites);
    sites = *sites_;
    if (index < sites.size() && sites[index].id == id) {
        sites[index].userNamed = userNamed;
        sites_ = std::move(sites);
    }
}

void FavoriteSites::moveFavoriteSite(const std::string& from, const std::string& to)
{
    if (from == to)
        return;
    auto sites = *sites_;
    const auto byId = [](const std::string& id) {
        return [&id](const FavoriteSite& site) { return site.id == id; };
    };
    const auto fromIt = std::find_if(sites.begin(), sites.end(), byId(from));
    const auto toIt = std::find_if(sites.begin(), sites.end(), byId(to));
    if (fromIt == sites.end() || toIt == sites.end())
        return;
    const auto toIndex = std::distance(sites.begin(), toIt);
    auto moved = std::move(*fromIt);
    sites.erase(fromIt);
    sites.insert(sites.begin() + toIndex, std::move(moved));
    sites_ = std::move(sites);
}

std::vector<FavoriteSite> FavoriteSites::favoriteSitesForPeer()
{
    std::vector<FavoriteSite> result;
    result.reserve(sites_->size());
    for (const auto& site : *sites_) {
        // A stored icon is never sent: only what the favicon service gave this run.
        std::optional<Bytes> icon;
        if (auto cached = faviconCache_.find(site.url); cached != faviconCache_.end())
            icon.emplace(cached->second);
        else
            fetchFavicon(site.url);
        FavoriteSite copy { site.id,         site.url,      site.name, site.browserBundleId,
                            std::move(icon), site.userNamed };
        if (!site.userNamed) {
            if (auto title = pageTitleCache_.find(site.url); title != pageTitleCache_.end()) {
                copy.name = title->second;
            } else {
                fetchPageTitle(site.url);
                copy.name = hostOrSelf(site.url);
            }
        }
        // The user's name and the address reach the device as safe text too, as titles do.
        copy.name = safeText(copy.name, kShownNameLimit);
        result.push_back(std::move(copy));
    }
    return result;
}

void FavoriteSites::openURLInBrowser(const std::string& url,
                                     const std::optional<std::string>& browserBundleId)
{
    if (browserBundleId && !browserBundleId->empty())
        launcher_.openURL(url, browserBundleId);
    else
        launcher_.openURL(url, std::nullopt);
}

std::string FavoriteSites::faviconServiceBase() const
{
    auto host = trimWhitespaceAndNewlines(defaults_.string(kFaviconServiceHostKey).value_or(""));
    if (host.empty())
        host = kDefaultFaviconServiceHost;
    if (host.starts_with("http://") || host.starts_with("https://")) {
        while (host.ends_with('/'))
            host.pop_back();
        return host;
    }
    return "https://" + host;
}

void FavoriteSites::fetchFavicon(const std::string& url)
{
    if (faviconsInFlight_.contains(url))
        return;
    const auto host = hostOrSelf(url);
    if (host.empty())
        return;
    auto address = faviconServiceBase();
    address.append(kFaviconPath).append(host).append(kFaviconSize);
    if (!isValidURL(address))
        return;

    HttpRequest request;
    request.url = std::move(address);
    request.maxBodyBytes = kMaxIconBytes;
    std::weak_ptr<FavoriteSites> weak = weak_from_this();
    auto* scheduler = &scheduler_;
    // Runs on any thread: only look at the bytes, then hop to the main queue.
    auto completion = [weak, scheduler, url](HttpResponse response) {
        std::optional<Bytes> icon;
        if (response.body && !response.body->empty() && response.body->size() <= kMaxIconBytes)
            icon = std::move(response.body);
        scheduler->post([weak, url, icon = std::move(icon)]() mutable {
            auto self = weak.lock();
            if (!self)
                return;
            self->faviconsInFlight_.erase(url);
            if (!icon)
                return;
            self->faviconCache_[url] = std::move(*icon);
            self->pushIfConnected_();
        });
    };
    faviconsInFlight_[url] = http_.get(std::move(request), std::move(completion));
}

void FavoriteSites::fetchPageTitle(const std::string& url)
{
    if (titlesInFlight_.contains(url))
        return;
    auto address = normalizeURL(url);
    if (!isValidURL(address))
        return;

    HttpRequest request;
    request.url = std::move(address);
    request.headers.emplace_back("User-Agent", kUserAgent);
    request.timeout = kPageTitleTimeout;
    request.maxBodyBytes = kMaxPageBytes;
    std::weak_ptr<FavoriteSites> weak = weak_from_this();
    auto* scheduler = &scheduler_;
    // Runs on any thread: decode and extract here, then hop to the main queue.
    auto completion = [weak, scheduler, url](HttpResponse response) {
        std::optional<std::string> title;
        if (response.body && response.body->size() <= kMaxPageBytes) {
            // A page that is not valid UTF-8 is read as ISO Latin-1.
            const std::string_view bytes(reinterpret_cast<const char*>(response.body->data()),
                                         response.body->size());
            const auto page = isValidUtf8(bytes) ? std::string(bytes) : latin1ToUtf8(bytes);
            if (auto extracted = extractTitle(page)) {
                if (auto shown = safeText(*extracted, kShownNameLimit); !shown.empty())
                    title = std::move(shown);
            }
        }
        scheduler->post([weak, url, title = std::move(title)]() mutable {
            auto self = weak.lock();
            if (!self)
                return;
            self->titlesInFlight_.erase(url);
            if (!title)
                return;
            self->pageTitleCache_[url] = std::move(*title);
            self->pushIfConnected_();
        });
    };
    titlesInFlight_[url] = http_.get(std::move(request), std::move(completion));
}

} // namespace kavora
