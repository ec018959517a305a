// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QRect>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include <sys/types.h>

struct _AtspiAccessible;

namespace kavora::test {

// The settings window as the accessibility tree names it, and how long a view may take to show.
inline constexpr const char* kWindowTitle = "Kavora 設定";
inline constexpr std::chrono::milliseconds kUiTimeout { 30'000 };

// The test's reading of applications' accessibility trees over AT-SPI, as a screen reader reads
// them: find an element by role and name, read its name and state, perform its action.
using AtSpiNode = std::shared_ptr<_AtspiAccessible>;

// Connects to the session's accessibility bus (once per process; the session bus must be set).
void initAtSpi();
// The accessible application of the process, null until it registered.
AtSpiNode atSpiApplication(pid_t pid);
// The first element below root, depth first, with that role ("check box", "push button",
// "label", "frame" ...) and, when given, that name; null when there is none.
AtSpiNode findAtSpi(const AtSpiNode& root, const std::string& role,
                    const std::optional<std::string>& name = std::nullopt);
std::string atSpiName(const AtSpiNode& node);
bool atSpiShowing(const AtSpiNode& node);
bool atSpiChecked(const AtSpiNode& node);
// Performs the element's first action ("Press", "Toggle" ...); true when it was taken.
bool atSpiAct(const AtSpiNode& node);
// The roles and names of the tree down to `depth` levels, one element a line, for failure
// messages.
std::string atSpiOutline(const AtSpiNode& root, int depth = 3);
// Where the element is on the screen.
std::optional<QRect> atSpiExtents(const AtSpiNode& node);

} // namespace kavora::test
