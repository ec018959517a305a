// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/QtPasteboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <algorithm>
#include <array>

namespace kavora {

namespace {

// Targets of the X11 selection protocol that Qt lists beside the content formats. Written back,
// they would be offered twice, with stale values.
constexpr std::array<const char*, 8> kSelectionProtocolTargets {
    "TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS",
    "DELETE",  "INCR",     "ATOM_PAIR", "CLIPBOARD_MANAGER",
};

// Qt waits up to five seconds for each format an owner is slow to send; after this long in
// total the formats not yet read are left out rather than freezing the GUI thread for each.
constexpr qint64 kReadBudgetMs = 2000;

bool isSelectionProtocolTarget(const QString& format)
{
    return std::ranges::any_of(kSelectionProtocolTargets,
                               [&](const char* target) { return format == QLatin1String(target); });
}

QClipboard* clipboard()
{
    return QGuiApplication::clipboard();
}

} // namespace

QtPasteboard::QtPasteboard() = default;

std::vector<PasteboardItem> QtPasteboard::items()
{
    const QMimeData* data = clipboard()->mimeData(QClipboard::Clipboard);
    if (!data)
        return {};
    QElapsedTimer reading;
    reading.start();
    PasteboardItem item;
    for (const QString& format : data->formats()) {
        if (reading.elapsed() > kReadBudgetMs)
            break;
        if (isSelectionProtocolTarget(format))
            continue;
        const QByteArray bytes = data->data(format);
        if (bytes.isEmpty())
            continue;
        item.representations.emplace_back(format.toStdString(), Bytes(bytes.begin(), bytes.end()));
    }
    if (item.representations.empty())
        return {};
    return { std::move(item) };
}

void QtPasteboard::clearContents()
{
    clipboard()->clear(QClipboard::Clipboard);
}

bool QtPasteboard::setString(std::string_view utf8)
{
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    auto* data = new QMimeData;
    data->setText(text);
    clipboard()->setMimeData(data, QClipboard::Clipboard); // the clipboard takes ownership
    return clipboard()->text(QClipboard::Clipboard) == text;
}

void QtPasteboard::writeItems(const std::vector<PasteboardItem>& items)
{
    if (items.empty())
        return;
    auto* data = new QMimeData;
    for (const auto& [type, bytes] : items.front().representations) {
        data->setData(QString::fromStdString(type),
                      QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size())));
    }
    clipboard()->setMimeData(data, QClipboard::Clipboard);
}

bool QtPasteboard::isSettableInBackground()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("wayland") && platform != QLatin1String("offscreen")
        && platform != QLatin1String("minimal");
}

} // namespace kavora
