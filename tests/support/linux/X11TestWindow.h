#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

namespace kavora::test {

// A client of the test's own on the test display, as any application would be: a window over
// the whole screen, holding the keyboard focus, that records the pointer and key events it gets.
class X11TestWindow {
public:
    struct Event {
        enum class Kind { KeyDown, KeyUp, ButtonDown, ButtonUp, Motion };
        Kind kind = Kind::Motion;
        unsigned int detail = 0; // the button or the keycode
        unsigned long keysym = 0; // for keys: what this client's keymap makes of it
        unsigned int state = 0; // modifier and button mask before the event
        int x = 0; // root coordinates
        int y = 0;
    };

    explicit X11TestWindow(const std::string& displayName);
    ~X11TestWindow();
    X11TestWindow(const X11TestWindow&) = delete;
    X11TestWindow& operator=(const X11TestWindow&) = delete;

    // Mapped and focused.
    bool ready() const { return ready_; }
    _XDisplay* display() const { return display_; }

    // The events up to and including the first one that matches, waiting at most the timeout for
    // it; empty when it did not come. What comes after it stays for the next call.
    std::vector<Event> takeUntil(const std::function<bool(const Event&)>& matches,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(5));
    std::optional<Event> waitFor(const std::function<bool(const Event&)>& matches,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Read from the server: the pointer position and the keycodes held down.
    std::optional<std::pair<int, int>> pointer() const;
    std::vector<int> keysDown() const;
    // The first symbol the server's keymap gives a keycode, 0 for none.
    unsigned long serverKeysym(int keycode) const;

    // One readable line: "down a +Control", "up Shift_L +Shift", "press 1 (150,250)",
    // "motion (300,300) +Button1" (the keysym's name or button, root position, what was held).
    static std::string describe(const Event& event);

private:
    bool readEvent(std::chrono::steady_clock::time_point deadline);

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    bool ready_ = false;
    std::vector<Event> received_;
};

} // namespace kavora::test
