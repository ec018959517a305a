// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ConsentPrompt.h"

#include "presentation/ConsentTexts.h"
#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/FormParts.h"
#include "ui/Look.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace kavora {
namespace {

constexpr qreal kCodePoints = 22;

} // namespace

ConsentPrompt::ConsentPrompt(ControllerAdapter& adapter, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , adapter_(adapter)
    , headline_(styledLabel(QString(), look::TextStyle::Headline))
    , code_(new QLabel)
    , allow_(new QPushButton(QString::fromUtf8(i18n("Allow"))))
    , decline_(new QPushButton(QString::fromUtf8(i18n("Decline"))))
{
    setWindowTitle(QString::fromUtf8(i18n("Kavora Connection Request")));
    setWindowIcon(QIcon(QStringLiteral(":/icons/hicolor/scalable/apps/kavora.svg")));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The peer chooses its name: never rich text.
    headline_->setWordWrap(true);
    code_->setTextFormat(Qt::PlainText);
    code_->setFont(look::font(font(), kCodePoints, QFont::DemiBold));
    code_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(styledLabel(QString::fromUtf8(i18n("Verification code")),
                                   look::TextStyle::Body, Tone::Secondary));
    // The code is its own accessible name, so a screen reader reads it after its caption.
    codeRow->addWidget(code_, 1);

    // Neither button answers Enter: a key meant for another window must not allow anyone.
    for (auto* button : { allow_, decline_ }) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(decline_);
    buttons->addWidget(allow_);

    auto* column = new QVBoxLayout(this);
    column->setSpacing(10);
    column->addWidget(headline_);
    column->addLayout(codeRow);
    column->addWidget(noteLabel(QString::fromUtf8(
        i18n("Allow it only after checking that the controller shows the same code. An allowed "
             "device connects without asking from then on."))));
    column->addLayout(buttons);
    setMinimumWidth(360);

    connect(allow_, &QPushButton::clicked, this,
            [this] { adapter_.answerConsentRequest(ConsentAnswer::Allow); });
    connect(decline_, &QPushButton::clicked, this,
            [this] { adapter_.answerConsentRequest(ConsentAnswer::Decline); });
    connect(&adapter_, &ControllerAdapter::consentRequestChanged, this,
            &ConsentPrompt::followRequest);
    followRequest();
}

void ConsentPrompt::reject()
{
    // Escape or the window's close button: the user said no.
    if (adapter_.consentRequest())
        adapter_.answerConsentRequest(ConsentAnswer::Decline);
    QDialog::reject();
}

void ConsentPrompt::followRequest()
{
    const auto& request = adapter_.consentRequest();
    if (!request) {
        hide();
        return;
    }
    headline_->setText(QString::fromStdString(consentHeadline(*request)));
    code_->setText(QString::fromStdString(verificationCodeText(request->verificationCode)));
    adjustSize();
    show();
    raise();
}

} // namespace kavora
