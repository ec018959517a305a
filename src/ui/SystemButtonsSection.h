// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "protocol/Records.h"
#include "ui/ValueButton.h"

#include <QGroupBox>

#include <vector>

namespace kavora {

class ControllerAdapter;

// One preset of the top-buttons catalogue: its symbol in its colour, its label and, while
// selected, a check mark in the brand colour. A press asks the controller to toggle it.
class PresetRow final : public ValueButton {
    Q_OBJECT

public:
    explicit PresetRow(const SystemButton& preset, QWidget* parent = nullptr);

    const std::string& presetId() const { return id_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void renderSymbols();

    std::string id_;
    QString symbolName_;
    QColor color_;
    QPixmap symbol_;
    QPixmap checkMark_;
};

// "上部ボタン（n/3）": the note and one row per preset, in catalogue order. At three selected,
// the unselected rows are disabled; selected rows stay enabled for deselection.
class SystemButtonsSection final : public QGroupBox {
    Q_OBJECT

public:
    explicit SystemButtonsSection(ControllerAdapter& adapter, QWidget* parent = nullptr);

    const std::vector<PresetRow*>& rows() const { return rows_; }

private:
    void showSelection();

    ControllerAdapter& adapter_;
    std::vector<PresetRow*> rows_;
};

} // namespace kavora
