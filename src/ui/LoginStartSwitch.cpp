// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/LoginStartSwitch.h"

#include "platform/LoginStart.h"
#include "presentation/Translation.h"
#include "ui/FormParts.h"
#include "ui/ToggleSwitch.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kavora {

LoginStartSwitch::LoginStartSwitch(LoginStart& loginStart, QWidget* parent)
    : QWidget(parent)
    , loginStart_(loginStart)
    , switch_(new ToggleSwitch)
    , problem_(noteLabel(QString()))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    switch_->setText(QString::fromUtf8(i18n("Start at login")));
    switch_->setAccessibleName(switch_->text());
    column->addWidget(switch_);
    // A start by hand stays off until switched on; a login start is ready for the phone.
    column->addWidget(noteLabel(QString::fromUtf8(
        i18n("At login Kavora starts switched on, so trusted controllers connect right away."))));
    column->addWidget(problem_);
    problem_->hide();
    connect(switch_, &ToggleSwitch::valueRequested, this, &LoginStartSwitch::change);
    refresh();
}

void LoginStartSwitch::refresh()
{
    switch_->setValue(loginStart_.isEnabled());
}

void LoginStartSwitch::change(bool on)
{
    const auto failure = loginStart_.setEnabled(on);
    problem_->setText(failure ? QString::fromStdString(
                          fillIn(i18n("Could not change it: {reason}"), { { "reason", *failure } }))
                              : QString());
    problem_->setVisible(failure.has_value());
    refresh();
}

} // namespace kavora
