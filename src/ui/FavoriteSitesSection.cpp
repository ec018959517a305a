// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/FavoriteSitesSection.h"

#include "controller/FavoriteSites.h"
#include "presentation/FormTexts.h"
#include "presentation/ListRules.h"
#include "presentation/Translation.h"
#include "ui/ControllerAdapter.h"
#include "ui/FormParts.h"
#include "ui/Look.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kavora {
namespace {

constexpr int kNameFieldWidth = 170;

QLineEdit* textField(const QString& placeholder)
{
    auto* field = new QLineEdit;
    field->setPlaceholderText(placeholder);
    field->setClearButtonEnabled(false);
    return field;
}

// A label over a field, as in the add-site form: caption style, semibold, secondary colour.
QLabel* fieldLabel(const QString& text, QWidget* buddy)
{
    auto* label = styledLabel(text, look::TextStyle::Caption, Tone::Secondary);
    QFont semibold = label->font();
    semibold.setWeight(QFont::DemiBold);
    label->setFont(semibold);
    label->setBuddy(buddy);
    return label;
}

} // namespace

SiteRow::SiteRow(ReorderableList& list, const std::string& id, ControllerAdapter& adapter)
    : ReorderableRow(list, id)
    , adapter_(adapter)
    , url_(new ElidedLabel)
    , browser_(styledLabel(QString(), look::TextStyle::Caption2, Tone::Secondary))
    , name_(textField(QString::fromUtf8(i18n("Display name"))))
    , remove_(new QToolButton)
{
    url_->setTextFormat(Qt::PlainText);
    url_->setFont(look::font(url_->font(), look::TextStyle::Caption2));
    look::makeSecondary(url_);
    name_->setFixedWidth(kNameFieldWidth);
    name_->setAccessibleName(QString::fromUtf8(i18n("Display name")));
    // A row dragged over the field is a reorder, not text to insert.
    name_->setAcceptDrops(false);
    remove_->setAutoRaise(true);
    remove_->setIcon(look::symbolIcon(QStringLiteral("minus.circle.fill"),
                                      look::signal(look::Signal::Red, palette()),
                                      look::kRemoveIconSize));

    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        adapter_.renameFavoriteSite(rowId(), text.toStdString());
    });
    // Editing over: show the name the site has now (its automatic one if the field was emptied).
    connect(name_, &QLineEdit::editingFinished, this, [this] {
        const auto& sites = adapter_.favoriteSites();
        const auto site = std::find_if(sites.begin(), sites.end(),
                                       [&](const FavoriteSite& s) { return s.id == rowId(); });
        if (site != sites.end())
            showSite(*site);
    });
    connect(remove_, &QToolButton::clicked, this, [this] { adapter_.removeFavoriteSite(rowId()); });

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(url_);
    texts->addWidget(browser_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 3, 2, 3);
    row->setSpacing(8);
    row->addWidget(makeHandle());
    row->addLayout(texts, 1);
    row->addWidget(name_);
    row->addWidget(remove_);
}

void SiteRow::showSite(const FavoriteSite& site)
{
    const QString url = QString::fromStdString(site.url);
    url_->setText(url);
    url_->setToolTip(url);
    browser_->setText(QString::fromStdString(browserName(site.browserBundleId)));
    const QString name = QString::fromStdString(site.name);
    // The field being typed in keeps the user's text.
    if (!name_->hasFocus() && name_->text() != name)
        name_->setText(name);
    setAccessibleName(url);
    remove_->setAccessibleName(removeButtonName(name.isEmpty() ? url : name));
    remove_->setToolTip(remove_->accessibleName());
}

FavoriteSitesSection::FavoriteSitesSection(ControllerAdapter& adapter, QWidget* parent)
    : QGroupBox(parent)
    , adapter_(adapter)
    , limitText_(styledLabel(QString::fromUtf8(i18n("Limit reached")), look::TextStyle::Caption,
                             Tone::Secondary))
{
    list_ = new ReorderableList(
        [&adapter](const std::string& from, const std::string& to) {
            adapter.moveFavoriteSite(from, to);
        },
        [this](const std::string& id) { return new SiteRow(*list_, id, adapter_); });

    auto* column = new QVBoxLayout(this);
    column->addWidget(noteLabel(QString::fromUtf8(
        i18n("Register the sites a tap opens in a browser. Drag rows to reorder them. With the "
             "display name left empty, the domain or page title is shown."))));
    column->addWidget(list_);
    column->addWidget(limitText_);
    column->addWidget(makeForm());

    connect(&adapter_, &ControllerAdapter::favoriteSitesChanged, this,
            &FavoriteSitesSection::showSites);
    showSites();
}

QWidget* FavoriteSitesSection::makeForm()
{
    auto* panel = new RoundedPanel;
    form_ = panel;
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(12);
    column->addWidget(
        styledLabel(QString::fromUtf8(i18n("Add a New Site")), look::TextStyle::Headline));

    url_ = textField(QString::fromStdString(
        fillIn(i18n("e.g. {address}"), { { "address", "https://www.example.com/" } })));
    auto* urlPart = new QVBoxLayout;
    urlPart->setSpacing(4);
    urlPart->addWidget(fieldLabel(QString::fromUtf8(i18n("URL")), url_));
    urlPart->addWidget(url_);
    urlPart->addWidget(styledLabel(QString::fromUtf8(i18n("https:// may be left out.")),
                                   look::TextStyle::Caption2, Tone::Secondary));
    column->addLayout(urlPart);

    name_ = textField(QString::fromUtf8(i18n("e.g. Kavora for Mac download")));
    auto* namePart = new QVBoxLayout;
    namePart->setSpacing(4);
    namePart->addWidget(fieldLabel(QString::fromUtf8(i18n("Display name")), name_));
    namePart->addWidget(name_);
    auto* nameHint
        = styledLabel(QString::fromUtf8(i18n("Left empty, the domain or page title is shown.")),
                      look::TextStyle::Caption2, Tone::Secondary);
    nameHint->setWordWrap(true);
    namePart->addWidget(nameHint);
    column->addLayout(namePart);

    browser_ = new QComboBox;
    for (const auto& choice : browserChoices())
        browser_->addItem(QString::fromStdString(choice.label));
    auto* picker = new QHBoxLayout;
    auto* pickerLabel = new QLabel(QString::fromUtf8(i18n("Open in")));
    pickerLabel->setBuddy(browser_);
    picker->addWidget(pickerLabel);
    picker->addStretch(1);
    picker->addWidget(browser_);
    column->addLayout(picker);

    add_ = new QPushButton(QString::fromUtf8(i18n("+ Add Site")));
    add_->setAccessibleName(QString::fromUtf8(i18n("Add site")));
    add_->setEnabled(false);
    column->addWidget(add_, 0, Qt::AlignLeft);

    connect(url_, &QLineEdit::textChanged, this,
            [this](const QString& text) { add_->setEnabled(canAddSite(text.toStdString())); });
    connect(add_, &QPushButton::clicked, this, &FavoriteSitesSection::addSite);
    return panel;
}

void FavoriteSitesSection::addSite()
{
    if (!canAddSite(url_->text().toStdString()))
        return;
    const auto choice
        = browserChoices().at(static_cast<std::size_t>(std::max(0, browser_->currentIndex())));
    adapter_.addFavoriteSite(url_->text().toStdString(), name_->text().toStdString(),
                             choice.browserBundleId);
    url_->clear();
    name_->clear();
    browser_->setCurrentIndex(0);
}

void FavoriteSitesSection::showSites()
{
    const auto& sites = adapter_.favoriteSites();
    setTitle(QString::fromStdString(favoriteSitesHeader(sites.size())));
    std::vector<std::string> ids;
    ids.reserve(sites.size());
    for (const auto& site : sites)
        ids.push_back(site.id);
    list_->showIds(ids);
    for (const auto& site : sites) {
        if (auto* row = list_->row(site.id))
            static_cast<SiteRow*>(row)->showSite(site);
    }
    const bool full = isAtLimit(sites.size(), FavoriteSites::kMaxSites);
    limitText_->setVisible(full);
    form_->setVisible(!full);
}

} // namespace kavora
