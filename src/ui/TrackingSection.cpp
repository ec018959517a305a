// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/TrackingSection.h"

#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/FormParts.h"
#include "ui/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace kavora {
namespace {

// The sliders count tenths: 5 to 30 is 0.5 to 3.0.
constexpr int kTenthsMin = 5;
constexpr int kTenthsMax = 30;
constexpr int kTenthsPage = 5;

QString speedText(double speed)
{
    return QString::asprintf("%.1f", speed);
}

} // namespace

TrackingSection::TrackingSection(InputSettings& settings, QWidget* parent)
    : QGroupBox(QString::fromUtf8(i18n("Tracking")), parent)
    , settings_(settings)
    , naturalScroll_(new ToggleSwitch)
{
    auto* column = new QVBoxLayout(this);
    cursor_ = addSpeed(column, QString::fromUtf8(i18n("Cursor speed")));
    scroll_ = addSpeed(column, QString::fromUtf8(i18n("Scroll speed")));
    naturalScroll_->setText(QString::fromUtf8(i18n("Natural scrolling")));
    column->addWidget(naturalScroll_);

    connect(cursor_.slider, &QSlider::valueChanged, this, [this](int tenths) {
        settings_.setCursorSpeed(tenths / 10.0);
        showSpeed(cursor_, settings_.cursorSpeed());
    });
    connect(scroll_.slider, &QSlider::valueChanged, this, [this](int tenths) {
        settings_.setScrollSpeed(tenths / 10.0);
        showSpeed(scroll_, settings_.scrollSpeed());
    });
    connect(naturalScroll_, &ToggleSwitch::valueRequested, this, [this](bool on) {
        settings_.setNaturalScroll(on);
        naturalScroll_->setValue(settings_.naturalScroll());
    });
    refresh();
}

TrackingSection::Speed TrackingSection::addSpeed(QVBoxLayout* column, const QString& title)
{
    Speed speed;
    auto* heading = new QHBoxLayout;
    auto* label = new QLabel(title);
    label->setTextFormat(Qt::PlainText);
    speed.value = new QLabel;
    look::makeSecondary(speed.value);
    heading->addWidget(label);
    heading->addStretch(1);
    heading->addWidget(speed.value);
    speed.slider = new QSlider(Qt::Horizontal);
    speed.slider->setRange(kTenthsMin, kTenthsMax);
    speed.slider->setSingleStep(1);
    speed.slider->setPageStep(kTenthsPage);
    speed.slider->setAccessibleName(title);
    label->setBuddy(speed.slider);
    column->addLayout(heading);
    column->addWidget(speed.slider);
    return speed;
}

void TrackingSection::showSpeed(const Speed& speed, double value)
{
    const QSignalBlocker quiet(speed.slider);
    speed.slider->setValue(qRound(value * 10));
    speed.value->setText(speedText(value));
    speed.slider->setAccessibleDescription(speedText(value));
}

void TrackingSection::refresh()
{
    showSpeed(cursor_, settings_.cursorSpeed());
    showSpeed(scroll_, settings_.scrollSpeed());
    naturalScroll_->setValue(settings_.naturalScroll());
}

} // namespace kavora
