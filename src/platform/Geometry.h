// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <algorithm>

namespace kavora {

// Global display coordinates: origin at the top-left of the main display, y growing downward.
struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }

    Rect united(const Rect& other) const
    {
        const double left = std::min(minX(), other.minX());
        const double top = std::min(minY(), other.minY());
        return { left, top, std::max(maxX(), other.maxX()) - left,
                 std::max(maxY(), other.maxY()) - top };
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace kavora
