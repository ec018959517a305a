#pragma once

#include <memory>
#include <string>

struct _XDisplay;

namespace kavora::test {

// The X server's pointer as every X client sees it (XQueryPointer).
struct Pointer {
    int x = 0;
    int y = 0;
    bool leftButtonHeld = false;
};

// An X client of its own that reads where the pointer is and whether the left button is down.
class PointerProbe {
public:
    explicit PointerProbe(const std::string& display);
    ~PointerProbe();
    PointerProbe(const PointerProbe&) = delete;
    PointerProbe& operator=(const PointerProbe&) = delete;

    // All zero when the display could not be opened.
    Pointer query() const;

private:
    _XDisplay* display_ = nullptr;
};

} // namespace kavora::test
