// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/SettingsWindow.h"

#include "presentation/ShellFace.h"
#include "presentation/Translation.h"
#include "ui/BrowserControlSwitch.h"
#include "ui/ControllerAdapter.h"
#include "ui/FavoriteSitesSection.h"
#include "ui/FormParts.h"
#include "ui/LoginStartSwitch.h"
#include "ui/RegisteredAppsSection.h"
#include "ui/StatusSections.h"
#include "ui/SystemButtonsSection.h"
#include "ui/TrackingSection.h"
#include "ui/WindowAccessibility.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace kavora {

SettingsWindow::SettingsWindow(ControllerAdapter& adapter, LoginStart* loginStart,
                               BrowserControl* browserControl, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , advertising_(new AdvertisingSection(adapter))
    , tracking_(new TrackingSection(adapter.tracking()))
    , registeredApps_(new RegisteredAppsSection(adapter))
    , systemButtons_(new SystemButtonsSection(adapter))
    , favoriteSites_(new FavoriteSitesSection(adapter))
    , connection_(new ConnectionSection(adapter))
    , quitRow_(new QWidget)
    , closeNote_(noteLabel(QString()))
    , quitButton_(new QPushButton(QString::fromUtf8(i18n("Quit"))))
{
    exposeOurWindowsToScreenReaders();
    setWindowTitle(QString::fromUtf8(i18n("Kavora Settings")));
    setWindowIcon(QIcon(QStringLiteral(":/icons/hicolor/scalable/apps/kavora.svg")));
    setAccessibleName(windowTitle());
    if (loginStart) {
        loginStart_ = new LoginStartSwitch(*loginStart);
        advertising_->layout()->addWidget(loginStart_);
    }
    if (browserControl) {
        browserControl_ = new BrowserControlSwitch(*browserControl);
        // Set apart from the trusted controllers as they are from the rows above them.
        auto* column = qobject_cast<QVBoxLayout*>(connection_->layout());
        column->addSpacing(6);
        column->addWidget(browserControl_);
    }

    auto* form = new QWidget;
    auto* sections = new QVBoxLayout(form);
    sections->setSpacing(14);
    for (QWidget* section :
         std::initializer_list<QWidget*> { advertising_, tracking_, registeredApps_, systemButtons_,
                                           favoriteSites_, connection_, new InformationSection })
        sections->addWidget(section);
    sections->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setWidget(form);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setAccessibleName(windowTitle());
    auto* quitRow = new QHBoxLayout(quitRow_);
    quitRow->addWidget(closeNote_, 1);
    quitRow->addWidget(quitButton_);
    connect(quitButton_, &QPushButton::clicked, this, &SettingsWindow::quitRequested);
    auto* quitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quitKey, &QShortcut::activated, this, &SettingsWindow::quitRequested);
    const auto showCloseNote = [this, &adapter] {
        closeNote_->setText(QString::fromStdString(windowCloseNote(adapter.isAdvertising())));
    };
    connect(&adapter, &ControllerAdapter::isAdvertisingChanged, this, showCloseNote);
    showCloseNote();
    quitRow_->hide();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(scroll);
    column->addWidget(quitRow_);
    resize(kInitialSize);
}

void SettingsWindow::offerQuit(bool offered)
{
    quitRow_->setVisible(offered);
}

void SettingsWindow::showWindow()
{
    if (geometry_.isEmpty()) {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    } else if (!isVisible()) {
        restoreGeometry(geometry_);
    }
    tracking_->refresh();
    if (loginStart_)
        loginStart_->refresh();
    showNormal();
    raise();
    activateWindow();
}

void SettingsWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    // Only the window system's close is the user's: quitting closes every window too.
    if (event->isAccepted() && event->spontaneous())
        Q_EMIT closedByUser();
}

void SettingsWindow::hideEvent(QHideEvent* event)
{
    geometry_ = saveGeometry();
    QWidget::hideEvent(event);
}

} // namespace kavora
