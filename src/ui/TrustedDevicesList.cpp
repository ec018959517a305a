// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/TrustedDevicesList.h"

#include "presentation/ConsentTexts.h"
#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/FormParts.h"
#include "ui/Look.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>

namespace kavora {
namespace {

// A name that fits the list; the link's names are shorter still.
constexpr int kMaxNameLength = 40;

// The last connection in the user's local time, written as the user's locale writes a date and
// time.
std::string localTimeText(const TrustedDevice& device)
{
    if (!device.lastSeen)
        return {};
    const auto seconds = device.lastSeen->time_since_epoch().count();
    return QLocale()
        .toString(QDateTime::fromSecsSinceEpoch(seconds).toLocalTime(), QLocale::ShortFormat)
        .toStdString();
}

} // namespace

TrustedDeviceRow::TrustedDeviceRow(const TrustedDevice& device, ControllerAdapter& adapter,
                                   QWidget* parent)
    : QWidget(parent)
    , fingerprint_(device.fingerprint)
    , givenName_(device.name)
    , adapter_(adapter)
    , name_(styledLabel(QString::fromStdString(deviceName(device.name)), look::TextStyle::Body))
    , nameField_(new QLineEdit)
    , detail_(
          styledLabel(QString::fromStdString(trustedDeviceDetail(device, localTimeText(device))),
                      look::TextStyle::Caption, Tone::Secondary))
    , rename_(new QToolButton)
    , remove_(new QToolButton)
{
    // A long name, or a longer language, wraps within the window's width.
    name_->setWordWrap(true);
    detail_->setWordWrap(true);
    nameField_->setMaxLength(kMaxNameLength);
    nameField_->setAccessibleName(QString::fromUtf8(i18n("Device name")));
    nameField_->hide();
    connect(nameField_, &QLineEdit::editingFinished, this, [this] { finishRenaming(true); });
    nameField_->installEventFilter(this);
    rename_->setAutoRaise(true);
    rename_->setText(QString::fromUtf8(i18n("Rename")));
    rename_->setAccessibleName(QString::fromStdString(
        fillIn(i18n("Rename “{name}”"), { { "name", name_->text().toStdString() } })));
    rename_->setToolTip(rename_->accessibleName());
    connect(rename_, &QToolButton::clicked, this, &TrustedDeviceRow::startRenaming);

    remove_->setAutoRaise(true);
    remove_->setIcon(look::symbolIcon(QStringLiteral("minus.circle.fill"),
                                      look::signal(look::Signal::Red, palette()),
                                      look::kRemoveIconSize));
    remove_->setAccessibleName(removeButtonName(name_->text()));
    remove_->setToolTip(remove_->accessibleName());
    connect(remove_, &QToolButton::clicked, &adapter,
            [&adapter, fingerprint = fingerprint_] { adapter.revokeTrustedDevice(fingerprint); });
    setAccessibleName(name_->text());

    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    text->addWidget(name_);
    text->addWidget(nameField_);
    text->addWidget(detail_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 3, 2, 3);
    row->setSpacing(10);
    row->addLayout(text, 1);
    row->addWidget(rename_);
    row->addWidget(remove_);
}

void TrustedDeviceRow::startRenaming()
{
    name_->hide();
    rename_->setEnabled(false);
    nameField_->setText(QString::fromStdString(givenName_));
    nameField_->show();
    nameField_->setFocus();
    nameField_->selectAll();
}

std::optional<TrustedDeviceRow::Typing> TrustedDeviceRow::typing() const
{
    if (nameField_->isHidden())
        return std::nullopt;
    return Typing { nameField_->text(), nameField_->cursorPosition(), nameField_->hasFocus() };
}

void TrustedDeviceRow::resumeTyping(const Typing& typing)
{
    startRenaming();
    nameField_->setText(typing.text);
    nameField_->setCursorPosition(typing.cursor);
    if (!typing.focused)
        nameField_->clearFocus();
}

void TrustedDeviceRow::discard()
{
    // Hiding the focused field would end the editing and store the half-typed name.
    nameField_->blockSignals(true);
    hide();
}

bool TrustedDeviceRow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == nameField_ && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        finishRenaming(false);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TrustedDeviceRow::finishRenaming(bool keep)
{
    if (nameField_->isHidden())
        return; // Return, then the focus leaving the field
    nameField_->hide();
    name_->show();
    rename_->setEnabled(true);
    const auto name = nameField_->text().trimmed().toStdString();
    // The list is rebuilt from the new name; nothing else to show here.
    if (keep && !name.empty() && name != givenName_)
        adapter_.renameTrustedDevice(fingerprint_, name);
}

TrustedDevicesList::TrustedDevicesList(ControllerAdapter& adapter, QWidget* parent)
    : QWidget(parent)
    , adapter_(adapter)
    , column_(new QVBoxLayout(this))
    , empty_(styledLabel(QString::fromUtf8(i18n("No trusted devices")), look::TextStyle::Caption,
                         Tone::Secondary))
{
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    column_->addWidget(empty_);
    connect(&adapter_, &ControllerAdapter::trustedDevicesChanged, this,
            &TrustedDevicesList::showDevices);
    showDevices();
}

void TrustedDevicesList::showDevices()
{
    std::map<std::string, TrustedDeviceRow::Typing> typing;
    // A row may be the one whose remove button is being clicked: it goes once that is over.
    for (auto* row : rows_) {
        if (auto edit = row->typing())
            typing.emplace(row->fingerprint(), *std::move(edit));
        row->discard();
        column_->removeWidget(row);
        row->deleteLater();
    }
    rows_.clear();
    for (const auto& device : adapter_.trustedDevices()) {
        auto* row = new TrustedDeviceRow(device, adapter_);
        column_->addWidget(row);
        rows_.push_back(row);
        if (const auto edit = typing.find(device.fingerprint); edit != typing.end())
            row->resumeTyping(edit->second);
    }
    empty_->setVisible(rows_.empty());
}

} // namespace kavora
