// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/WindowAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace kavora {
namespace {

// Asked for every class of an object's hierarchy, most derived first.
QAccessibleInterface* windowInterface(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className != QLatin1String("kavora::SettingsWindow")
        && className != QLatin1String("kavora::MenuBarPanel"))
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

void exposeOurWindowsToScreenReaders()
{
    static const bool installed = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    (void)installed;
}

} // namespace kavora
