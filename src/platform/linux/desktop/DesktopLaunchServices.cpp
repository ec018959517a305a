// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopLaunchServices.h"

#include "platform/linux/desktop/DesktopFileManager.h"
#include "platform/linux/desktop/DesktopLaunchArguments.h"
#include "platform/linux/desktop/DesktopOverview.h"

#include <QLoggingCategory>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace kavora {

namespace {

// Off by default: launch failures are absorbed here. QT_LOGGING_RULES="kavora.launch.debug=true"
// shows why something did not start.
Q_LOGGING_CATEGORY(lcLaunch, "kavora.launch", QtWarningMsg)

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// The desktop-file ids tried, best first, for a browser that the controller names by its macOS
// bundle identifier. Chrome is "google-chrome" in Google's Debian package and "com.google.Chrome"
// on Flathub; Chromium, its open-source build, is the closest stand-in. Other ids are taken as
// desktop-file ids; "com.apple.Safari" exists on no Linux desktop and ends at the default browser.
std::vector<std::string> browserApplicationIds(const std::string& bundleId)
{
    if (bundleId == "com.google.Chrome")
        return { bundleId, "google-chrome", "org.chromium.Chromium", "chromium" };
    return { bundleId };
}

// Flatpak's exported entries. Login shells add them to XDG_DATA_DIRS, but a receiver started by a
// systemd user unit may run without them.
std::vector<std::filesystem::path> flatpakApplicationDirs()
{
    return { std::filesystem::path(g_get_user_data_dir()) / "flatpak/exports/share/applications",
             "/var/lib/flatpak/exports/share/applications" };
}

GObjectPtr<GDesktopAppInfo> installedApplication(const std::string& applicationId)
{
    const std::optional<std::string> fileId = desktopFileIdFor(applicationId);
    if (!fileId) {
        qCDebug(lcLaunch) << "not a desktop-file id:" << QString::fromStdString(applicationId);
        return nullptr;
    }
    GObjectPtr<GDesktopAppInfo> application(g_desktop_app_info_new(fileId->c_str()));
    for (const auto& dir : flatpakApplicationDirs()) {
        if (application)
            break;
        std::error_code error;
        const auto file = dir / *fileId;
        if (std::filesystem::is_regular_file(file, error))
            application.reset(g_desktop_app_info_new_from_filename(file.c_str()));
    }
    // The controller's pinned "Finder" is whatever file manager the desktop opens folders with.
    if (!application && applicationId == kFinderBundleId) {
        if (const auto fileManager = fileManagerEntry())
            application.reset(g_desktop_app_info_new_from_filename(fileManager->c_str()));
    }
    if (application && g_desktop_app_info_get_is_hidden(application.get()))
        application.reset();
    return application;
}

// Spawns the application with the address as its one argument (or none); GIO forks twice, so
// nothing is left to wait for.
bool launch(GAppInfo* application, const char* uri)
{
    GObjectPtr<GAppLaunchContext> context(g_app_launch_context_new());
    GError* error = nullptr;
    gboolean launched = FALSE;
    if (uri) {
        // GList holds mutable data, but launching only reads the list.
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast)
        GList uris = { const_cast<char*>(uri), nullptr, nullptr };
        launched = g_app_info_launch_uris(application, &uris, context.get(), &error);
    } else {
        launched = g_app_info_launch(application, nullptr, context.get(), &error);
    }
    if (error) {
        qCDebug(lcLaunch) << g_app_info_get_id(application) << "did not start:" << error->message;
        g_error_free(error);
    }
    return launched;
}

// Whether the entry declares that it opens http or https addresses. Any other entry would be
// handed the address as its argument, and a program that is not a browser may read it as a file
// name or as something to run.
bool opensWebAddresses(GAppInfo* application)
{
    const char* const* types = g_app_info_get_supported_types(application);
    for (; types != nullptr && *types != nullptr; ++types) {
        const std::string_view type(*types);
        if (type == "x-scheme-handler/http" || type == "x-scheme-handler/https")
            return true;
    }
    return false;
}

void openWithDefaultHandler(const std::string& url)
{
    const std::string scheme(g_ascii_strncasecmp(url.c_str(), "https:", 6) == 0 ? "https" : "http");
    GObjectPtr<GAppInfo> handler(g_app_info_get_default_for_uri_scheme(scheme.c_str()));
    if (!handler)
        handler.reset(g_app_info_get_default_for_type("text/html", FALSE));
    if (!handler) {
        qCDebug(lcLaunch) << "no handler for" << QString::fromStdString(scheme);
        return;
    }
    launch(handler.get(), url.c_str());
}

} // namespace

DesktopLaunchServices::DesktopLaunchServices(std::function<void()> overviewKeyFallback,
                                             ActivateRunning activateRunning)
    : overview_(std::make_unique<DesktopOverview>(std::move(overviewKeyFallback)))
    , activateRunning_(std::move(activateRunning))
{
}

DesktopLaunchServices::~DesktopLaunchServices() = default;

void DesktopLaunchServices::showWindowOverview()
{
    overview_->toggle();
}

void DesktopLaunchServices::openApplication(const std::string& bundleId)
{
    const std::optional<std::string> fileId = desktopFileIdFor(bundleId);
    if (!fileId) {
        qCDebug(lcLaunch) << "not a desktop-file id:" << QString::fromStdString(bundleId);
        return;
    }
    // The hook knows applications by their id, which is the file id without ".desktop".
    constexpr std::string_view suffix = ".desktop";
    if (activateRunning_ && activateRunning_(fileId->substr(0, fileId->size() - suffix.size())))
        return;
    if (auto application = installedApplication(bundleId))
        launch(G_APP_INFO(application.get()), nullptr);
}

void DesktopLaunchServices::openURL(const std::string& url,
                                    const std::optional<std::string>& browserBundleId)
{
    if (!isOpenableWebAddress(url)) {
        qCDebug(lcLaunch) << "not an http or https address; dropped";
        return;
    }
    if (browserBundleId && !browserBundleId->empty()) {
        for (const std::string& id : browserApplicationIds(*browserBundleId)) {
            auto browser = installedApplication(id);
            if (!browser)
                continue;
            if (!opensWebAddresses(G_APP_INFO(browser.get()))) {
                qCWarning(lcLaunch) << QString::fromStdString(id)
                                    << "opens no web addresses; not used as the browser";
                continue;
            }
            if (launch(G_APP_INFO(browser.get()), url.c_str()))
                return;
        }
    }
    openWithDefaultHandler(url);
}

} // namespace kavora
