#include "ui/TrustedDevicesList.h"

#include "presentation/ConsentTexts.h"
#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/FormParts.h"
#include "ui/Look.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLocale>
#include <QToolButton>
#include <QVBoxLayout>

namespace kavora {
namespace {

// The last connection in the user's local time, written as the user's locale writes a date and
// time.
std::string localTimeText(const TrustedDevice& device)
{
    if (!device.lastSeen)
        return {};
    const auto seconds = device.lastSeen->time_since_epoch().count();
    return QLocale()
        .toString(QDateTime::fromSecsSinceEpoch(seconds).toLocalTime(), QLocale::ShortFormat)
        .toStdString();
}

} // namespace

TrustedDeviceRow::TrustedDeviceRow(const TrustedDevice& device, ControllerAdapter& adapter,
                                   QWidget* parent)
    : QWidget(parent)
    , fingerprint_(device.fingerprint)
    , name_(styledLabel(QString::fromStdString(deviceName(device.name)), look::TextStyle::Body))
    , detail_(
          styledLabel(QString::fromStdString(trustedDeviceDetail(device, localTimeText(device))),
                      look::TextStyle::Caption, Tone::Secondary))
    , remove_(new QToolButton)
{
    // A long name, or a longer language, wraps within the window's width.
    name_->setWordWrap(true);
    detail_->setWordWrap(true);
    remove_->setAutoRaise(true);
    remove_->setIcon(look::symbolIcon(QStringLiteral("minus.circle.fill"),
                                      look::signal(look::Signal::Red, palette()),
                                      look::kRemoveIconSize));
    remove_->setAccessibleName(removeButtonName(name_->text()));
    remove_->setToolTip(remove_->accessibleName());
    connect(remove_, &QToolButton::clicked, &adapter,
            [&adapter, fingerprint = fingerprint_] { adapter.revokeTrustedDevice(fingerprint); });
    setAccessibleName(name_->text());

    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    text->addWidget(name_);
    text->addWidget(detail_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 3, 2, 3);
    row->setSpacing(10);
    row->addLayout(text, 1);
    row->addWidget(remove_);
}

TrustedDevicesList::TrustedDevicesList(ControllerAdapter& adapter, QWidget* parent)
    : QWidget(parent)
    , adapter_(adapter)
    , column_(new QVBoxLayout(this))
    , empty_(styledLabel(QString::fromUtf8(i18n("No trusted devices")), look::TextStyle::Caption,
                         Tone::Secondary))
{
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    column_->addWidget(empty_);
    connect(&adapter_, &ControllerAdapter::trustedDevicesChanged, this,
            &TrustedDevicesList::showDevices);
    showDevices();
}

void TrustedDevicesList::showDevices()
{
    // A row may be the one whose remove button is being clicked: it goes once that is over.
    for (auto* row : rows_) {
        row->hide();
        column_->removeWidget(row);
        row->deleteLater();
    }
    rows_.clear();
    for (const auto& device : adapter_.trustedDevices()) {
        auto* row = new TrustedDeviceRow(device, adapter_);
        column_->addWidget(row);
        rows_.push_back(row);
    }
    empty_->setVisible(rows_.empty());
}

} // namespace kavora
