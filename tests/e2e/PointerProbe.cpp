#include "PointerProbe.h"

#include <X11/Xlib.h>

namespace kavora::test {

PointerProbe::PointerProbe(const std::string& displayName)
    : display_(XOpenDisplay(displayName.c_str()))
{
}

PointerProbe::~PointerProbe()
{
    if (display_)
        XCloseDisplay(static_cast<Display*>(display_));
}

std::optional<PointerProbe::State> PointerProbe::query() const
{
    if (!display_)
        return std::nullopt;
    auto* display = static_cast<Display*>(display_);
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX,
                       &windowY, &mask))
        return std::nullopt;
    return State { rootX, rootY, (mask & Button1Mask) != 0 };
}

} // namespace kavora::test
