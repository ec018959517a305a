// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/MenuBarPanel.h"

#include "presentation/PanelPlacement.h"
#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/Look.h"
#include "ui/StatusDotWidget.h"
#include "ui/ToggleSwitch.h"
#include "ui/WindowAccessibility.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kavora {
namespace {

constexpr int kSideInset = 14;
constexpr int kDotDiameter = 6;

QLabel* textLabel(const QString& text, qreal points, QFont::Weight weight = QFont::Normal)
{
    auto* label = new QLabel(text);
    label->setFont(look::font(QApplication::font(), points, weight));
    label->setTextFormat(Qt::PlainText);
    // A longer language, or a long name, wraps within the panel's width.
    label->setWordWrap(true);
    return label;
}

QFrame* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QPushButton* plainButton(const QString& text)
{
    auto* button = new QPushButton(text);
    button->setFlat(true);
    button->setFont(look::font(QApplication::font(), 12));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// The symbol size that matches a text of that many points.
int symbolSize(qreal points)
{
    return QFontMetrics(look::font(QApplication::font(), points)).height();
}

} // namespace

MenuBarPanel::MenuBarPanel(ControllerAdapter& adapter, QWidget* parent)
    // A frameless tool window rather than a popup: screen readers list popups nowhere, and a
    // window that closes when it loses focus behaves the same for everyone else.
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , adapter_(adapter)
{
    exposeOurWindowsToScreenReaders();
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(QStringLiteral("Kavora"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The panel is always exactly as tall as its content (the two permission forms differ) and
    // 260 pixels wide, frame included.
    column->setSizeConstraint(QLayout::SetFixedSize);
    auto* header = makeHeader();
    header->setFixedWidth(kWidth - 2 * frameWidth());
    column->addWidget(header);
    column->addWidget(makeStatusRow());
    column->addWidget(divider());
    column->addWidget(makePermissionBlock());
    column->addWidget(divider());
    column->addWidget(makeFooter());

    connect(&adapter_, &ControllerAdapter::isAdvertisingChanged, this, &MenuBarPanel::showStatus);
    connect(&adapter_, &ControllerAdapter::isConnectedChanged, this, &MenuBarPanel::showStatus);
    connect(&adapter_, &ControllerAdapter::connectedPeerNameChanged, this,
            &MenuBarPanel::showStatus);
    connect(&adapter_, &ControllerAdapter::accessibilityGrantedChanged, this,
            &MenuBarPanel::showPermission);
    connect(&adapter_, &ControllerAdapter::accessibilityHintChanged, this,
            &MenuBarPanel::showPermission);
    restyle();
    showStatus();
    showPermission();
}

QWidget* MenuBarPanel::makeHeader()
{
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(kSideInset, 14, kSideInset, 3);
    row->setSpacing(6);
    headerIcon_ = new QLabel;
    title_ = new QLabel;
    title_->setTextFormat(Qt::RichText);
    title_->setFont(look::font(QApplication::font(), 14, QFont::DemiBold));
    title_->setAccessibleName(QStringLiteral("Kavora"));
    switch_ = new ToggleSwitch;
    switch_->setAccessibleName(QStringLiteral("Kavora"));
    connect(switch_, &ToggleSwitch::valueRequested, &adapter_, &ControllerAdapter::setAdvertising);
    row->addWidget(headerIcon_);
    row->addWidget(title_);
    row->addStretch(1);
    row->addWidget(switch_);
    return header;
}

QWidget* MenuBarPanel::makeStatusRow()
{
    auto* status = new QWidget;
    auto* row = new QHBoxLayout(status);
    row->setContentsMargins(kSideInset, 0, kSideInset, 12);
    row->setSpacing(6);
    dot_ = new StatusDotWidget(kDotDiameter);
    statusText_ = textLabel(QString(), 11);
    look::makeSecondary(statusText_);
    row->addWidget(dot_);
    row->addWidget(statusText_, 1);
    return status;
}

QWidget* MenuBarPanel::makePermissionBlock()
{
    auto* block = new QWidget;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(kSideInset, 10, kSideInset, 10);
    column->setSpacing(0);

    granted_ = new QWidget;
    auto* grantedRow = new QHBoxLayout(granted_);
    grantedRow->setContentsMargins(0, 0, 0, 0);
    grantedRow->setSpacing(6);
    grantedIcon_ = new QLabel;
    auto* grantedText = textLabel(QString::fromUtf8(i18n("Ready to control")), 12);
    look::makeSecondary(grantedText);
    grantedRow->addWidget(grantedIcon_);
    grantedRow->addWidget(grantedText, 1);

    notGranted_ = new QWidget;
    auto* notGrantedColumn = new QVBoxLayout(notGranted_);
    notGrantedColumn->setContentsMargins(0, 0, 0, 0);
    notGrantedColumn->setSpacing(7);
    auto* warningRow = new QHBoxLayout;
    warningRow->setSpacing(6);
    warningIcon_ = new QLabel;
    warningText_ = textLabel(QString::fromUtf8(i18n("Accessibility permission is required")), 12);
    warningRow->addWidget(warningIcon_);
    warningRow->addWidget(warningText_, 1);
    explanation_ = textLabel(QString(), 11);
    look::makeSecondary(explanation_);
    explanation_->setWordWrap(true);
    requestButton_ = new QPushButton(QString::fromUtf8(i18n("Open Settings")));
    requestButton_->setFont(look::font(QApplication::font(), 11));
    connect(requestButton_, &QPushButton::clicked, &adapter_,
            &ControllerAdapter::requestAccessibilityPermission);
    notGrantedColumn->addLayout(warningRow);
    notGrantedColumn->addWidget(explanation_);
    notGrantedColumn->addWidget(requestButton_, 0, Qt::AlignLeft);

    column->addWidget(granted_);
    column->addWidget(notGranted_);
    return block;
}

QWidget* MenuBarPanel::makeFooter()
{
    auto* footer = new QWidget;
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(kSideInset - 4, 6, kSideInset - 4, 6);
    auto* settings = plainButton(QString::fromUtf8(i18n("Settings…")));
    auto* quit = plainButton(QString::fromUtf8(i18n("Quit")));
    connect(settings, &QPushButton::clicked, this, [this] {
        hide();
        Q_EMIT settingsRequested();
    });
    connect(quit, &QPushButton::clicked, this, &MenuBarPanel::quitRequested);
    row->addWidget(settings);
    row->addStretch(1);
    row->addWidget(quit);
    return footer;
}

void MenuBarPanel::showStatus()
{
    const auto status = adapter_.connectionStatus();
    switch_->setValue(status.isAdvertising);
    dot_->setDot(statusDot(status));
    statusText_->setText(QString::fromStdString(statusText(status)));
}

void MenuBarPanel::showPermission()
{
    const bool granted = adapter_.accessibilityGranted();
    granted_->setVisible(granted);
    notGranted_->setVisible(!granted);
    // The desktop's own word (a dialog to answer, no remote input at all) where it has one.
    const auto& hint = adapter_.accessibilityHint();
    explanation_->setText(hint.empty()
                              ? QString::fromUtf8(i18n("Needed to control the mouse and keyboard."))
                              : QString::fromStdString(hint));
    layout()->activate();
}

void MenuBarPanel::restyle()
{
    const qreal ratio = devicePixelRatioF();
    const QPalette& pal = palette();
    headerIcon_->setPixmap(
        look::symbol(QStringLiteral("cursorarrow.rays"), look::brand(), symbolSize(13), ratio));
    title_->setText(
        QStringLiteral("Kav<span style=\"color:%1\">o</span>ra").arg(look::brand().name()));
    grantedIcon_->setPixmap(look::symbol(QStringLiteral("checkmark.circle.fill"),
                                         look::signal(look::Signal::Green, pal), symbolSize(12),
                                         ratio));
    const QColor orange = look::signal(look::Signal::Orange, pal);
    warningIcon_->setPixmap(look::symbol(QStringLiteral("exclamationmark.triangle.fill"), orange,
                                         symbolSize(12), ratio));
    QPalette warning = warningText_->palette();
    warning.setColor(QPalette::WindowText, orange);
    warningText_->setPalette(warning);

    // A prominent button in the brand colour.
    QPalette prominent = requestButton_->palette();
    prominent.setColor(QPalette::Button, look::brand());
    prominent.setColor(QPalette::ButtonText, Qt::white);
    requestButton_->setPalette(prominent);

    // The footer's plain buttons are written in the secondary colour.
    for (auto* button : findChildren<QPushButton*>()) {
        if (!button->isFlat())
            continue;
        QPalette secondary = button->palette();
        secondary.setColor(QPalette::ButtonText, pal.color(QPalette::PlaceholderText));
        button->setPalette(secondary);
    }
}

void MenuBarPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QFrame::keyPressEvent(event);
}

bool MenuBarPanel::event(QEvent* event)
{
    // The base class takes the new palette in first; the colours are drawn from it after.
    const bool handled = QFrame::event(event);
    switch (event->type()) {
    case QEvent::WindowDeactivate:
        hide();
        break;
    case QEvent::ApplicationPaletteChange:
    case QEvent::PaletteChange:
    case QEvent::Show:
        restyle();
        break;
    default:
        break;
    }
    return handled;
}

void MenuBarPanel::hideEvent(QHideEvent* event)
{
    sinceHidden_.start();
    QFrame::hideEvent(event);
}

bool MenuBarPanel::closedJustNow() const
{
    constexpr qint64 kClickWindowMs = 300;
    return sinceHidden_.isValid() && sinceHidden_.elapsed() < kClickWindowMs;
}

void MenuBarPanel::popUp(const std::optional<QRect>& anchor)
{
    QScreen* screen = anchor ? QGuiApplication::screenAt(anchor->center()) : nullptr;
    std::optional<ScreenRect> placedAt;
    if (screen)
        placedAt = ScreenRect { anchor->x(), anchor->y(), anchor->width(), anchor->height() };
    else
        screen = QGuiApplication::primaryScreen();
    layout()->activate();
    const QRect available = screen->availableGeometry();
    const auto placed
        = panelPlacement(placedAt, width(), height(),
                         { available.x(), available.y(), available.width(), available.height() });
    move(placed.x, placed.y);
    show();
    raise();
    activateWindow();
}

} // namespace kavora
