#pragma once

#include "support/XvfbServer.h"
#include "support/linux/ChildProcess.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct _XDisplay;

namespace kavora::test {

// An X server of the test's own, managed by openbox unless asked otherwise, and a client on it
// that makes windows the way applications do and reads what the window manager publishes.
// Creating it also creates the process's Qt application (PrivateSession), whose event loop the
// code under test listens on.
class X11ManagedDisplay {
public:
    enum class WindowManager { Openbox, Unmanaged };

    // What a test window declares before it is mapped; unset fields are left off the window.
    struct WindowTraits {
        std::string wmClass; // WM_CLASS
        std::string instance;
        std::string title; // _NET_WM_NAME
        std::optional<std::string> type; // "DIALOG" for _NET_WM_WINDOW_TYPE_DIALOG
        bool skipTaskbar = false;
        std::optional<unsigned long> transientFor;
        std::optional<std::uint32_t> pid; // _NET_WM_PID
        std::optional<std::string> gtkApplicationId;
        std::optional<std::string> kdeDesktopFile;
        std::vector<unsigned long> icon; // _NET_WM_ICON

        static WindowTraits ofClass(std::string wmClass, std::string instance = {})
        {
            WindowTraits traits;
            traits.wmClass = std::move(wmClass);
            traits.instance = std::move(instance);
            return traits;
        }
        WindowTraits titled(std::string text) const { return with(&WindowTraits::title, text); }
        WindowTraits ofType(std::string name) const { return with(&WindowTraits::type, name); }
        WindowTraits offTaskbar() const { return with(&WindowTraits::skipTaskbar, true); }
        WindowTraits transientTo(unsigned long window) const
        {
            return with(&WindowTraits::transientFor, window);
        }
        WindowTraits ofProcess(std::uint32_t id) const { return with(&WindowTraits::pid, id); }
        WindowTraits gtkId(std::string id) const
        {
            return with(&WindowTraits::gtkApplicationId, id);
        }
        WindowTraits kdeFile(std::string file) const
        {
            return with(&WindowTraits::kdeDesktopFile, file);
        }

        WindowTraits withIcon(std::vector<unsigned long> data) const
        {
            return with(&WindowTraits::icon, data);
        }

    private:
        template <class Field, class Value> WindowTraits with(Field field, Value value) const
        {
            WindowTraits copy = *this;
            copy.*field = std::move(value);
            return copy;
        }
    };

    explicit X11ManagedDisplay(WindowManager windowManager = WindowManager::Openbox);
    ~X11ManagedDisplay();
    X11ManagedDisplay(const X11ManagedDisplay&) = delete;
    X11ManagedDisplay& operator=(const X11ManagedDisplay&) = delete;

    // The server runs, the client is connected and the window manager (if any) manages.
    bool ready() const { return ready_; }
    const std::string& displayName() const { return xvfb_.displayName(); }

    // Creates and maps a window; 0 when it could not be made.
    unsigned long createWindow(const WindowTraits& traits);
    void destroyWindow(unsigned long window);

    // The root's _NET_CLIENT_LIST as the window manager last wrote it.
    std::vector<unsigned long> clientList() const;
    // Waits until the window manager lists the window (or, listed false, no longer lists it).
    bool awaitListed(unsigned long window, bool listed = true) const;
    // The root's _NET_ACTIVE_WINDOW; 0 when unset.
    unsigned long activeWindow() const;
    // Writes a list of windows on the root (_NET_CLIENT_LIST, _NET_ACTIVE_WINDOW ...), as a
    // window manager would.
    void writeRootWindows(const char* property, const std::vector<unsigned long>& windows);

private:
    bool awaitManaging();
    unsigned long atom(const char* name) const;
    std::vector<unsigned long> rootWindows(const char* property) const;

    XvfbServer xvfb_;
    ChildProcess windowManager_;
    _XDisplay* display_ = nullptr;
    bool ready_ = false;
};

} // namespace kavora::test
