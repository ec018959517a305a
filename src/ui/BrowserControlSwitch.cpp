// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/BrowserControlSwitch.h"

#include "platform/BrowserControl.h"
#include "presentation/Translation.h"
#include "ui/FormParts.h"
#include "ui/QrCode.h"
#include "ui/ToggleSwitch.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

namespace kavora {
namespace {

// Pixels per module: a code of an address with a pairing code is 37 modules wide (45 with the
// quiet zone), so about 180 pixels, scanned easily from a screen.
constexpr int kModulePixels = 4;
// How long a pairing code works.
constexpr int kCodeMinutes = 5;

} // namespace

BrowserControlSwitch::BrowserControlSwitch(BrowserControl& control, QWidget* parent)
    : QWidget(parent)
    , control_(control)
    , switch_(new ToggleSwitch)
    , waiting_(noteLabel(QString::fromUtf8(i18n("While Kavora is on, the address is shown here."))))
    , pairing_(new QWidget)
    , address_(new QLabel)
    , qrCode_(new QLabel)
    , renew_(new QPushButton(QString::fromUtf8(i18n("Show a New Code"))))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    switch_->setText(QString::fromUtf8(i18n("Control from a browser")));
    switch_->setAccessibleName(switch_->text());
    column->addWidget(switch_);
    column->addWidget(noteLabel(
        QString::fromUtf8(i18n("Control this computer from a phone's browser, without an app."))));
    column->addWidget(waiting_);

    auto* pairing = new QVBoxLayout(pairing_);
    pairing->setContentsMargins(0, 0, 0, 0);
    address_->setTextFormat(Qt::PlainText);
    address_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    address_->setWordWrap(true);
    address_->setAccessibleName(QString::fromUtf8(i18n("Address")));
    qrCode_->setAccessibleName(QString::fromUtf8(i18n("QR code")));
    pairing->addWidget(qrCode_, 0, Qt::AlignLeft);
    pairing->addWidget(noteLabel(QString::fromStdString(fillIn(
        i18np("Scan it with the phone's camera. The code works once, within {minutes} minute.",
              "Scan it with the phone's camera. The code works once, within {minutes} minutes.",
              kCodeMinutes),
        { { "minutes", std::to_string(kCodeMinutes) } }))));
    pairing->addWidget(address_);
    pairing->addWidget(renew_, 0, Qt::AlignLeft);
    column->addWidget(pairing_);

    connect(switch_, &ToggleSwitch::valueRequested, this,
            [this](bool on) { control_.setEnabled(on); });
    connect(renew_, &QPushButton::clicked, this, [this] { control_.renewPairingAddress(); });
    enabled_ = control_.isEnabled().subscribe([this](bool) { showState(); });
    pairingAddress_
        = control_.pairingAddress().subscribe([this](const std::string&) { showState(); });
    showState();
}

void BrowserControlSwitch::showState()
{
    const bool on = *control_.isEnabled();
    const auto& address = *control_.pairingAddress();
    switch_->setValue(on);
    waiting_->setVisible(on && address.empty());
    pairing_->setVisible(on && !address.empty());
    if (address.empty()) {
        address_->clear();
        qrCode_->clear();
        return;
    }
    address_->setText(QString::fromStdString(address));
    const auto code = QrCode::encode(address);
    if (code)
        qrCode_->setPixmap(code->pixmap(kModulePixels, devicePixelRatioF()));
    else
        qrCode_->clear();
}

} // namespace kavora
