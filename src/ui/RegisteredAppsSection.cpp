// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/RegisteredAppsSection.h"

#include "controller/AppCatalogue.h"
#include "presentation/FormTexts.h"
#include "presentation/ListRules.h"
#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/FormParts.h"
#include "ui/Look.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kavora {

AppRow::AppRow(ReorderableList& list, const std::string& bundleId, ControllerAdapter& adapter)
    : ReorderableRow(list, bundleId)
    , name_(new QLabel)
    , remove_(new QToolButton)
{
    name_->setTextFormat(Qt::PlainText);
    remove_->setAutoRaise(true);
    remove_->setIcon(look::symbolIcon(QStringLiteral("minus.circle.fill"),
                                      look::signal(look::Signal::Red, palette()),
                                      look::kRemoveIconSize));
    connect(remove_, &QToolButton::clicked, &adapter,
            [&adapter, bundleId] { adapter.removeRegisteredApp(bundleId); });
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 3, 2, 3);
    row->setSpacing(10);
    row->addWidget(makeHandle());
    row->addWidget(name_, 1);
    row->addWidget(remove_);
}

void AppRow::showName(const QString& name)
{
    name_->setText(name);
    setAccessibleName(name);
    remove_->setAccessibleName(removeButtonName(name));
    remove_->setToolTip(remove_->accessibleName());
}

RegisteredAppsSection::RegisteredAppsSection(ControllerAdapter& adapter, QWidget* parent)
    : QGroupBox(QString::fromStdString(registeredAppsHeader()), parent)
    , adapter_(adapter)
    , addButton_(new QPushButton(QString::fromUtf8(i18n("+ Add App"))))
    , addMenu_(new QMenu(addButton_))
    , limitText_(styledLabel(QString::fromUtf8(i18n("Limit reached")), look::TextStyle::Caption,
                             Tone::Secondary))
{
    list_ = new ReorderableList(
        [&adapter](const std::string& from, const std::string& to) {
            adapter.moveRegisteredApp(from, to);
        },
        [this](const std::string& id) { return new AppRow(*list_, id, adapter_); });

    auto* column = new QVBoxLayout(this);
    column->addWidget(noteLabel(QString::fromUtf8(
        i18n("Register the apps shown in the iPhone's launcher. A tap starts an app or brings it "
             "to the front. Drag rows to reorder them."))));
    column->addWidget(list_);
    column->addWidget(limitText_);
    column->addWidget(addButton_, 0, Qt::AlignLeft);

    addButton_->setAccessibleName(QString::fromUtf8(i18n("Add app")));
    addButton_->setMenu(addMenu_);
    connect(addMenu_, &QMenu::aboutToShow, this, &RegisteredAppsSection::fillAddMenu);
    connect(&adapter_, &ControllerAdapter::registeredBundleIdsChanged, this,
            &RegisteredAppsSection::showApps);
    showApps();
}

void RegisteredAppsSection::showApps()
{
    const auto& ids = adapter_.registeredBundleIds();
    list_->showIds(ids);
    // The installed applications are asked for anew at every change, never kept.
    const auto installed = ids.empty() ? std::vector<InstalledApp> {} : adapter_.installedApps();
    for (auto* row : list_->rows()) {
        static_cast<AppRow*>(row)->showName(
            QString::fromStdString(registeredAppName(installed, row->rowId())));
    }
    const bool full = isAtLimit(ids.size(), kMaxRegisteredApps);
    limitText_->setVisible(full);
    addButton_->setVisible(!full);
}

void RegisteredAppsSection::fillAddMenu()
{
    addMenu_->clear();
    for (const auto& app : addableApps(adapter_.installedApps(), adapter_.registeredBundleIds())) {
        // An ampersand in a name is a letter, not a keyboard mnemonic.
        const QString label = QString::fromStdString(app.name).replace('&', QStringLiteral("&&"));
        addMenu_->addAction(label, this,
                            [this, id = app.bundleId] { adapter_.addRegisteredApp(id); });
    }
}

} // namespace kavora
