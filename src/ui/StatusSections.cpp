// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/StatusSections.h"

#include "presentation/ConnectionStatus.h"
#include "presentation/FormTexts.h"
#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/FormParts.h"
#include "ui/StatusDotWidget.h"
#include "ui/ToggleSwitch.h"
#include "ui/TrustedDevicesList.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kavora {
namespace {

constexpr int kDotDiameter = 7;

} // namespace

AdvertisingSection::AdvertisingSection(ControllerAdapter& adapter, QWidget* parent)
    : QGroupBox(QStringLiteral("Kavora"), parent)
    , adapter_(adapter)
    , switch_(new ToggleSwitch)
    , dot_(new StatusDotWidget(kDotDiameter))
    , statusText_(styledLabel(QString(), look::TextStyle::Callout, Tone::Secondary))
{
    auto* column = new QVBoxLayout(this);
    // A long controller name, or a longer language, wraps within the window's width.
    statusText_->setWordWrap(true);
    switch_->setAccessibleName(QStringLiteral("Kavora"));
    column->addWidget(switch_);
    auto* status = new QHBoxLayout;
    status->setSpacing(6);
    status->addWidget(dot_);
    status->addWidget(statusText_, 1);
    column->addLayout(status);

    connect(switch_, &ToggleSwitch::valueRequested, &adapter_, &ControllerAdapter::setAdvertising);
    connect(&adapter_, &ControllerAdapter::isAdvertisingChanged, this,
            &AdvertisingSection::showStatus);
    connect(&adapter_, &ControllerAdapter::isConnectedChanged, this,
            &AdvertisingSection::showStatus);
    connect(&adapter_, &ControllerAdapter::connectedPeerNameChanged, this,
            &AdvertisingSection::showStatus);
    showStatus();
}

void AdvertisingSection::showStatus()
{
    const auto status = adapter_.connectionStatus();
    switch_->setText(QString::fromStdString(advertisingSwitchText(status.isAdvertising)));
    switch_->setValue(status.isAdvertising);
    dot_->setDot(statusDot(status));
    statusText_->setText(QString::fromStdString(statusText(status)));
}

ConnectionSection::ConnectionSection(ControllerAdapter& adapter, QWidget* parent)
    : QGroupBox(QString::fromUtf8(i18n("Connection")), parent)
    , adapter_(adapter)
    , trustedDevices_(new TrustedDevicesList(adapter))
{
    auto* column = new QVBoxLayout(this);
    connection_ = addValueRow(column, QString::fromUtf8(i18n("Status")));
    accessibility_ = addValueRow(column, QString::fromUtf8(i18n("Accessibility")));
    column->addSpacing(6);
    column->addWidget(
        styledLabel(QString::fromUtf8(i18n("Trusted devices")), look::TextStyle::Body));
    column->addWidget(
        noteLabel(QString::fromUtf8(i18n("Allowed devices connect without asking. Remove one to be "
                                         "asked again the next time it connects."))));
    column->addWidget(trustedDevices_);
    connect(&adapter_, &ControllerAdapter::isConnectedChanged, this, &ConnectionSection::showState);
    connect(&adapter_, &ControllerAdapter::accessibilityGrantedChanged, this,
            &ConnectionSection::showState);
    showState();
}

void ConnectionSection::showState()
{
    connection_->setText(QString::fromStdString(connectionStateText(adapter_.isConnected())));
    accessibility_->setText(
        QString::fromStdString(accessibilityStateText(adapter_.accessibilityGranted())));
}

InformationSection::InformationSection(QWidget* parent)
    : QGroupBox(QString::fromUtf8(i18n("Information")), parent)
{
    auto* column = new QVBoxLayout(this);
    const QString version = QCoreApplication::applicationVersion();
    addValueRow(column, QString::fromUtf8(i18n("Version")))
        ->setText(QString::fromStdString(
            versionText(version.isEmpty() ? std::nullopt : std::optional(version.toStdString()))));
    addValueRow(column, QString::fromUtf8(i18n("Developer")))
        ->setText(QStringLiteral("Brivane Works inc."));
}

} // namespace kavora
