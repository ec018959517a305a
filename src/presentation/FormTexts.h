#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// The settings window's texts that carry a number or depend on a value.

// "アプリ登録（最大10個）", with the registration limit.
std::string registeredAppsHeader();
// "上部ボタン（n/3）" for n selected buttons.
std::string systemButtonsHeader(std::size_t selected);
// "ランチャー上部に表示するボタンを最大3個まで選べます。"
std::string systemButtonsNote();
// "お気に入りサイト（n/10）" for n sites.
std::string favoriteSitesHeader(std::size_t sites);

// The program's version followed by the platform, "? (Linux)" when the version is unknown.
std::string versionText(const std::optional<std::string>& version);

// The browser a favourite site opens in, as its row names it: "Chrome", "Safari", else
// "デフォルト" (the desktop's default browser).
std::string browserName(const std::optional<std::string>& browserBundleId);

// The choices of the add-site form's browser picker, in order; an absent value is the default.
struct BrowserChoice {
    std::string label;
    std::optional<std::string> browserBundleId;
};
const std::vector<BrowserChoice>& browserChoices();

} // namespace kavora
