// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/XfcePanel.h"

#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <filesystem>

namespace kavora::test {
namespace {

constexpr std::chrono::seconds kPanelStartTimeout { 30 };

} // namespace

std::string statusNotifierWatcher(const std::string& property, const EnvironmentChanges& session)
{
    return run({ "gdbus", "call", "--session", "--dest", "org.kde.StatusNotifierWatcher",
                 "--object-path", "/StatusNotifierWatcher", "--method",
                 "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher", property },
               session)
        .output;
}

XfcePanel::XfcePanel()
{
    missing_ = missingPrograms({ "xfce4-panel", "gdbus" });
    if (!missing_.empty())
        return;
    auto& session = PrivateSession::instance();
    const auto settings = session.configHome() / "xfce4/xfconf/xfce-perchannel-xml";
    std::filesystem::create_directories(settings);
    std::filesystem::copy_file(KAVORA_SOURCE_DIR "/tests/support/linux/xfce4-panel.xml",
                               settings / "xfce4-panel.xml",
                               std::filesystem::copy_options::overwrite_existing);
    // Its settings daemon (xfconfd) is started by the session bus, which looks for it in the
    // system's data folders.
    process_ = ChildProcess({ { "xfce4-panel", "--disable-wm-check" },
                              { { "DISPLAY", session.display() },
                                { "XDG_DATA_DIRS", "/usr/share" },
                                { "XDG_CONFIG_DIRS", "/etc/xdg" } },
                              false,
                              log() });
    ready_ = pollUntil(
        [] {
            return statusNotifierWatcher("IsStatusNotifierHostRegistered").find("true")
                != std::string::npos;
        },
        kPanelStartTimeout);
}

std::string XfcePanel::log() const
{
    return (PrivateSession::instance().root() / "xfce4-panel.log").string();
}

} // namespace kavora::test
