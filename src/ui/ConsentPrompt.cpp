#include "ui/ConsentPrompt.h"

#include "presentation/ConsentTexts.h"
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
    , allow_(new QPushButton(QStringLiteral("許可")))
    , decline_(new QPushButton(QStringLiteral("拒否")))
{
    setWindowTitle(QStringLiteral("Kavora 接続の許可"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/hicolor/scalable/apps/kavora.svg")));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The peer chooses its name: never rich text.
    headline_->setWordWrap(true);
    code_->setTextFormat(Qt::PlainText);
    code_->setFont(look::font(font(), kCodePoints, QFont::DemiBold));
    code_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(
        styledLabel(QStringLiteral("確認コード"), look::TextStyle::Body, Tone::Secondary));
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
    column->addWidget(noteLabel(QStringLiteral(
        "コントローラーに同じコードが表示されていることを確かめてから許可してください。"
        "許可した端末は、次回から確認なしで接続できます。")));
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
