// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "presentation/DragReorder.h"
#include "presentation/ListRules.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;

namespace kavora {

class ReorderableList;

// One row of a reorderable list, identified by its id. Dragging it onto another row of the same
// list moves it there while the drag goes on; Alt+Up and Alt+Down move it one place from the
// keyboard. Drawn faded while it is being dragged.
class ReorderableRow : public QWidget {
    Q_OBJECT

public:
    ReorderableRow(ReorderableList& list, std::string id);

    const std::string& rowId() const { return id_; }

protected:
    // The drag handle at the start of the row.
    QLabel* makeHandle();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool isOwnDrag(const QDropEvent* event) const;
    void startDrag();

    ReorderableList& list_;
    std::string id_;
    QPoint pressedAt_;
    bool pressed_ = false;
};

// The rows of one ordered list, kept in the order of the ids it is shown: rows whose id stays
// are kept (with their focus, their text being typed, their drag under way), new ids get new
// rows, rows of ids that went are removed.
class ReorderableList final : public QWidget {
    Q_OBJECT

public:
    using MakeRow = std::function<ReorderableRow*(const std::string& id)>;

    ReorderableList(DragReorder::Move move, MakeRow makeRow, QWidget* parent = nullptr);

    void showIds(const std::vector<std::string>& ids);
    const std::vector<ReorderableRow*>& rows() const { return rows_; }
    ReorderableRow* row(const std::string& id) const;

    DragReorder& drag() { return drag_; }
    // Fades the dragged row and restores the others.
    void showDragState();
    void moveByKeyboard(const std::string& id, MoveDirection direction);

private:
    QWidget* tabStopBefore() const;
    void followTabOrder();

    DragReorder::Move move_;
    DragReorder drag_;
    MakeRow makeRow_;
    std::vector<ReorderableRow*> rows_;
};

} // namespace kavora
