#include "ui/LoginStartSwitch.h"

#include "platform/LoginStart.h"
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
    switch_->setText(QStringLiteral("ログイン時に起動"));
    switch_->setAccessibleName(switch_->text());
    column->addWidget(switch_);
    // A start by hand stays off until switched on; a login start is ready for the phone.
    column->addWidget(noteLabel(QStringLiteral(
        "ログイン時はオンの状態で起動し、信頼済みのコントローラーはそのまま接続できます。")));
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
    problem_->setText(failure ? QStringLiteral("変更できませんでした: ")
                              + QString::fromStdString(*failure)
                              : QString());
    problem_->setVisible(failure.has_value());
    refresh();
}

} // namespace kavora
