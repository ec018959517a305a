#include "ui/RegisteredAppsSection.h"

#include "controller/AppCatalogue.h"
#include "presentation/FormTexts.h"
#include "presentation/ListRules.h"
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
    remove_->setAccessibleName(QStringLiteral("「%1」を削除").arg(name));
    remove_->setToolTip(remove_->accessibleName());
}

RegisteredAppsSection::RegisteredAppsSection(ControllerAdapter& adapter, QWidget* parent)
    : QGroupBox(QString::fromStdString(registeredAppsHeader()), parent)
    , adapter_(adapter)
    , addButton_(new QPushButton(QStringLiteral("＋ アプリを追加")))
    , addMenu_(new QMenu(addButton_))
    , limitText_(styledLabel(QStringLiteral("登録上限に達しました"), look::TextStyle::Caption,
                             Tone::Secondary))
{
    list_ = new ReorderableList(
        [&adapter](const std::string& from, const std::string& to) {
            adapter.moveRegisteredApp(from, to);
        },
        [this](const std::string& id) { return new AppRow(*list_, id, adapter_); });

    auto* column = new QVBoxLayout(this);
    column->addWidget(
        noteLabel(QStringLiteral("iPhoneのランチャーに表示するアプリを登録します。タップで起動／前"
                                 "面化できます。行をドラッグして並び替えできます。")));
    column->addWidget(list_);
    column->addWidget(limitText_);
    column->addWidget(addButton_, 0, Qt::AlignLeft);

    addButton_->setAccessibleName(QStringLiteral("アプリを追加"));
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
