// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/accessibility/XDisplayProbe.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace kavora {

// Accessibility on an X11 desktop. Trust is whether input can be injected at all: the display
// offers XTEST (there is no permission to grant on X11, so requestTrust() only checks again).
// Menus come from AT-SPI: the frontmost application is the one owning the active window
// (_NET_ACTIVE_WINDOW and its _NET_WM_PID, matched to the AT-SPI application of that process),
// or, where the display names no active window, the application whose window is in the active
// state. The accessibility bus is spoken to directly, and no call waits for its answer: each is
// bounded by kAtSpiCallTimeout, and no accessibility bus, no frontmost application or one that
// died or hangs gives null or empty answers. GUI thread only, with its event loop running;
// answers still on their way when the object goes are dropped.
class AtSpiAccessibility final : public Accessibility {
public:
    AtSpiAccessibility();
    ~AtSpiAccessibility() override;
    AtSpiAccessibility(const AtSpiAccessibility&) = delete;
    AtSpiAccessibility& operator=(const AtSpiAccessibility&) = delete;

    bool isTrusted() override;
    bool requestTrust() override;
    void frontmostMenuBar(
        AccessibilityElement::Answer<std::shared_ptr<AccessibilityElement>> answer) override;

private:
    // Hands over the connection to the accessibility bus, made on first use and anew once it
    // broke; nothing when there is no bus. The bus's address is looked up without waiting.
    void withBus(std::function<void(std::optional<QDBusConnection>)> then);
    std::optional<QDBusConnection> connect(const QString& address);

    XDisplayProbe display_;
    QString connectionName_;
    std::optional<QDBusConnection> bus_;
    QObject context_; // ends the answers of the bus lookup with this object
};

} // namespace kavora
