// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Accessibility.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// How long one AT-SPI call may wait for an application.
constexpr std::chrono::milliseconds kAtSpiCallTimeout { 1500 };

// An object on the accessibility bus: the bus name of its application and its path.
struct AtSpiReference {
    QString service;
    QString path;
};

// One application as a search meets it. Once a call to it runs into the timeout (or finds it
// gone), the other calls stop asking it, so a hung application costs one timeout per search
// instead of one per element.
class AtSpiApplication final : public std::enable_shared_from_this<AtSpiApplication> {
public:
    AtSpiApplication(QDBusConnection bus, QString service);

    // Calls a method of one of the application's objects without waiting: the reply comes to
    // `answered` on the main thread, from the event loop, once it arrived or the call ran into
    // kAtSpiCallTimeout; nothing for an error, at once (still from the event loop) while the
    // application does not answer.
    void call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& arguments,
              std::function<void(std::optional<QDBusMessage>)> answered);
    const QString& service() const { return service_; }
    bool answering() const { return answering_; }
    const QDBusConnection& bus() const { return bus_; }

private:
    QDBusConnection bus_;
    QString service_;
    bool answering_ = true;
};

// The references an AT-SPI reply lists (a(so), as GetChildren gives them), at most `limit`; null
// objects are left out.
std::vector<AtSpiReference> referencesIn(const QDBusMessage& reply, std::size_t limit);

// One node of an application's accessibility tree, reached over AT-SPI. GUI thread only.
class AtSpiElement final : public AccessibilityElement {
public:
    AtSpiElement(std::shared_ptr<AtSpiApplication> application, QString path);

    // The accessible name up to a tab: applications that write the shortcut into an item's text
    // put it after one ("Zoom Out\tCtrl+-"), where a Mac menu title has none. Trailing white
    // space is dropped, nothing else changes.
    void title(Answer<std::optional<std::string>> answer) override;
    void children(Answer<std::optional<Elements>> answer) override;
    // Performs the first action named click, press or activate (toolkits differ in case and
    // name), or else the first action; false for an element without actions.
    void press(Answer<bool> answer) override;

private:
    std::shared_ptr<AtSpiApplication> application_;
    QString path_;
};

} // namespace kavora
