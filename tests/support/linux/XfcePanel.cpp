#include "support/linux/XfcePanel.h"

#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <filesystem>
#include <fstream>

namespace kavora::test {
namespace {

constexpr std::chrono::seconds kStartTimeout { 30 };

void writeConfiguration(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "xfce4-panel.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<channel name=\"xfce4-panel\" version=\"1.0\">\n"
           " <property name=\"configver\" type=\"int\" value=\"2\"/>\n"
           " <property name=\"panels\" type=\"array\">\n"
           "  <value type=\"int\" value=\"1\"/>\n"
           "  <property name=\"panel-1\" type=\"empty\">\n"
           "   <property name=\"position\" type=\"string\" value=\"p=6;x=0;y=0\"/>\n"
           "   <property name=\"length\" type=\"uint\" value=\"100\"/>\n"
           "   <property name=\"position-locked\" type=\"bool\" value=\"true\"/>\n"
           "   <property name=\"size\" type=\"uint\" value=\""
        << XfcePanel::kHeight
        << "\"/>\n"
           "   <property name=\"plugin-ids\" type=\"array\">\n"
           "    <value type=\"int\" value=\"1\"/>\n"
           "   </property>\n"
           "  </property>\n"
           " </property>\n"
           " <property name=\"plugins\" type=\"empty\">\n"
           "  <property name=\"plugin-1\" type=\"string\" value=\"systray\"/>\n"
           " </property>\n"
           "</channel>\n";
}

} // namespace

bool statusNotifierHostRegistered()
{
    return run({ "gdbus", "call", "--session", "--dest", "org.kde.StatusNotifierWatcher",
                 "--object-path", "/StatusNotifierWatcher", "--method",
                 "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
                 "IsStatusNotifierHostRegistered" })
               .output.find("true")
        != std::string::npos;
}

XfcePanel::XfcePanel()
{
    missing_ = missingPrograms({ "xfce4-panel", "gdbus" });
    if (!missing_.empty())
        return;
    auto& session = PrivateSession::instance();
    writeConfiguration(session.configHome() / "xfce4/xfconf/xfce-perchannel-xml");
    // Its settings daemon (xfconfd) is started by the session bus, which looks for it in the
    // system's data folders.
    process_ = ChildProcess({ { "xfce4-panel", "--disable-wm-check" },
                              { { "DISPLAY", session.display() },
                                { "XDG_DATA_DIRS", "/usr/share" },
                                { "XDG_CONFIG_DIRS", "/etc/xdg" } },
                              false,
                              log() });
    ready_ = pollUntil(statusNotifierHostRegistered, kStartTimeout);
}

std::string XfcePanel::log() const
{
    return (PrivateSession::instance().root() / "xfce4-panel.log").string();
}

} // namespace kavora::test
