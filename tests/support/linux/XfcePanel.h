#pragma once

#include "support/linux/ChildProcess.h"

#include <string>

namespace kavora::test {

// A real tray host of a desktop on the PrivateSession: xfce4-panel as one bar across the top of
// the screen, holding only its status tray, which shows status-notifier items (and X11 tray
// icons). Its configuration is written into the session's settings folder before it starts;
// ready() once the session bus says that a host shows items. Stopped with the object.
class XfcePanel {
public:
    static constexpr int kHeight = 32;

    XfcePanel();

    // Empty when the panel is installed; otherwise what is missing, as a skip reason.
    const std::string& missing() const { return missing_; }
    bool ready() const { return ready_; }
    std::string log() const;
    void stop() { process_.stop(); }

private:
    ChildProcess process_;
    std::string missing_;
    bool ready_ = false;
};

// Whether a host registered with the session's status-notifier watcher now.
bool statusNotifierHostRegistered();

} // namespace kavora::test
