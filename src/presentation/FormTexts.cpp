#include "presentation/FormTexts.h"

#include "controller/AppCatalogue.h"
#include "controller/FavoriteSites.h"
#include "controller/SystemButtonPresets.h"

namespace kavora {
namespace {

constexpr const char* kChromeBundleId = "com.google.Chrome";
constexpr const char* kSafariBundleId = "com.apple.Safari";

// The counts are printed as "%lld" prints them.
std::string count(std::size_t value)
{
    return std::to_string(static_cast<long long>(value));
}

} // namespace

std::string registeredAppsHeader()
{
    return "アプリ登録（最大" + count(kMaxRegisteredApps) + "個）";
}

std::string systemButtonsHeader(std::size_t selected)
{
    return "上部ボタン（" + count(selected) + "/" + count(kMaxSystemButtons) + "）";
}

std::string systemButtonsNote()
{
    return "ランチャー上部に表示するボタンを最大" + count(kMaxSystemButtons) + "個まで選べます。";
}

std::string favoriteSitesHeader(std::size_t sites)
{
    return "お気に入りサイト（" + count(sites) + "/" + count(FavoriteSites::kMaxSites) + "）";
}

std::string versionText(const std::optional<std::string>& version)
{
    return version.value_or("?") + " (Linux)";
}

std::string browserName(const std::optional<std::string>& browserBundleId)
{
    if (browserBundleId == kChromeBundleId)
        return "Chrome";
    if (browserBundleId == kSafariBundleId)
        return "Safari";
    return "デフォルト";
}

const std::vector<BrowserChoice>& browserChoices()
{
    static const std::vector<BrowserChoice> choices {
        { "デフォルト", std::nullopt },
        { "Chrome", kChromeBundleId },
        { "Safari", kSafariBundleId },
    };
    return choices;
}

} // namespace kavora
