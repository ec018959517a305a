#pragma once

#include <optional>
#include <string>

namespace kavora::test {

// The test's own view of an X server's pointer: where it is and which buttons are held, as every
// X client sees them (XQueryPointer).
class PointerProbe {
public:
    struct State {
        int x = 0;
        int y = 0;
        bool leftButtonHeld = false;
    };

    explicit PointerProbe(const std::string& displayName);
    ~PointerProbe();
    PointerProbe(const PointerProbe&) = delete;
    PointerProbe& operator=(const PointerProbe&) = delete;

    bool connected() const { return display_ != nullptr; }
    // Nothing when the server could not be asked.
    std::optional<State> query() const;

private:
    void* display_ = nullptr; // Display*, kept out of this header
};

} // namespace kavora::test
