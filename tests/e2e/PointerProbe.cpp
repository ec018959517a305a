#include "PointerProbe.h"

#include <X11/Xlib.h>

namespace kavora::test {

PointerProbe::PointerProbe(const std::string& display)
    : display_(XOpenDisplay(display.c_str()))
{
}

PointerProbe::~PointerProbe()
{
    if (display_)
        XCloseDisplay(display_);
}

Pointer PointerProbe::query() const
{
    Pointer pointer;
    if (!display_)
        return pointer;
    Window root = 0;
    Window child = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &pointer.x, &pointer.y,
                  &windowX, &windowY, &mask);
    pointer.leftButtonHeld = (mask & Button1Mask) != 0;
    return pointer;
}

} // namespace kavora::test
