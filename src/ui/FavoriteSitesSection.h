// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "protocol/Records.h"
#include "ui/ReorderableList.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kavora {

class ControllerAdapter;
class ElidedLabel;

// A favourite site: its address and browser, a field that renames it at every keystroke, and a
// button that removes it. While the field is being edited it keeps what the user typed (an
// emptied field shows its placeholder); when editing ends it shows the site's name again.
class SiteRow final : public ReorderableRow {
    Q_OBJECT

public:
    SiteRow(ReorderableList& list, const std::string& id, ControllerAdapter& adapter);

    void showSite(const FavoriteSite& site);
    QLineEdit* nameField() const { return name_; }

private:
    ControllerAdapter& adapter_;
    ElidedLabel* url_;
    QLabel* browser_;
    QLineEdit* name_;
    QToolButton* remove_;
};

// "お気に入りサイト（n/10）": the note, the sites in the user's order, and the add-site form,
// which gives way to "登録上限に達しました" at ten. The form keeps its contents while the window
// is closed; a successful add clears it.
class FavoriteSitesSection final : public QGroupBox {
    Q_OBJECT

public:
    explicit FavoriteSitesSection(ControllerAdapter& adapter, QWidget* parent = nullptr);

    ReorderableList& list() { return *list_; }
    QLineEdit* urlField() const { return url_; }
    QLineEdit* nameField() const { return name_; }
    QComboBox* browserPicker() const { return browser_; }
    QPushButton* addButton() const { return add_; }
    QWidget* form() const { return form_; }
    QLabel* limitText() const { return limitText_; }

private:
    QWidget* makeForm();
    void showSites();
    void addSite();

    ControllerAdapter& adapter_;
    ReorderableList* list_;
    QWidget* form_ = nullptr;
    QLineEdit* url_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* browser_ = nullptr;
    QPushButton* add_ = nullptr;
    QLabel* limitText_;
};

} // namespace kavora
