// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/accessibility/AtSpiElement.h"

#include <QDBusConnection>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace kavora {

// Finds the menu bar of the frontmost application over AT-SPI, one call at a time without
// waiting for any: the frontmost application is the one of the active window's process or, where
// the display names no active window, one whose window is in the active state. Its menu bar is
// searched breadth first from its windows, the active window first, so that the menu bar nearest
// the top of the window the user sees wins. The search lives until it answers.
class AtSpiMenuBarSearch final : public std::enable_shared_from_this<AtSpiMenuBarSearch> {
public:
    using Answer = AccessibilityElement::Answer<std::shared_ptr<AccessibilityElement>>;

    static void start(const QDBusConnection& bus, std::optional<std::uint32_t> processId,
                      Answer answer);

    AtSpiMenuBarSearch(const QDBusConnection& bus, std::optional<std::uint32_t> processId,
                       Answer answer);

private:
    struct Node {
        QString path;
        int depth = 0;
    };

    void listApplications();
    void nextApplication();
    void listWindows();
    void readWindowStates(std::size_t window);
    void visitNextNode();
    void visit(const Node& node, std::optional<std::uint32_t> role);

    QDBusConnection bus_;
    std::optional<std::uint32_t> processId_;
    Answer answer_;
    std::shared_ptr<AtSpiApplication> busDaemon_;
    std::vector<AtSpiReference> applications_;
    std::size_t nextApplication_ = 0;
    // The application being searched, its root object, its windows and which are active.
    std::shared_ptr<AtSpiApplication> application_;
    QString applicationPath_;
    std::vector<AtSpiReference> windows_;
    std::vector<bool> activeWindows_;
    std::deque<Node> toVisit_;
    int visited_ = 0;
};

} // namespace kavora
