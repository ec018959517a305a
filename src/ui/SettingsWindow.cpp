#include "ui/SettingsWindow.h"

#include "presentation/Translation.h"
#include "ui/BrowserControlSwitch.h"
#include "ui/ControllerAdapter.h"
#include "ui/FavoriteSitesSection.h"
#include "ui/LoginStartSwitch.h"
#include "ui/RegisteredAppsSection.h"
#include "ui/StatusSections.h"
#include "ui/SystemButtonsSection.h"
#include "ui/TrackingSection.h"
#include "ui/WindowAccessibility.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
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
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(scroll);
    resize(kInitialSize);
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

void SettingsWindow::hideEvent(QHideEvent* event)
{
    geometry_ = saveGeometry();
    QWidget::hideEvent(event);
}

} // namespace kavora
