// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/ReorderableList.h"

#include <QGroupBox>

class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace kavora {

class ControllerAdapter;

// A registered application: its name (or its id when it is no longer installed) and a button
// that removes it.
class AppRow final : public ReorderableRow {
    Q_OBJECT

public:
    AppRow(ReorderableList& list, const std::string& bundleId, ControllerAdapter& adapter);

    void showName(const QString& name);

private:
    QLabel* name_;
    QToolButton* remove_;
};

// "アプリ登録（最大10個）": the note, the registered applications in the user's order, and the
// menu of installed applications to add, which gives way to "登録上限に達しました" at ten.
class RegisteredAppsSection final : public QGroupBox {
    Q_OBJECT

public:
    explicit RegisteredAppsSection(ControllerAdapter& adapter, QWidget* parent = nullptr);

    ReorderableList& list() { return *list_; }
    QPushButton* addButton() const { return addButton_; }
    QLabel* limitText() const { return limitText_; }

private:
    void showApps();
    void fillAddMenu();

    ControllerAdapter& adapter_;
    ReorderableList* list_;
    QPushButton* addButton_;
    QMenu* addMenu_;
    QLabel* limitText_;
};

} // namespace kavora
