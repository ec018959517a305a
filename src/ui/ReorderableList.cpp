// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ReorderableList.h"

#include "ui/Look.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

#include <algorithm>

namespace kavora {
namespace {

constexpr qreal kDraggedOpacity = 0.4;
constexpr float kHandleOpacity = 0.5F; // QColor keeps alpha as a float
constexpr int kHandleSize = 12;

} // namespace

ReorderableRow::ReorderableRow(ReorderableList& list, std::string id)
    : list_(list)
    , id_(std::move(id))
{
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleDescription(QStringLiteral("Alt+↑ / Alt+↓"));
}

QLabel* ReorderableRow::makeHandle()
{
    auto* handle = new QLabel;
    QColor color = palette().color(QPalette::PlaceholderText);
    color.setAlphaF(color.alphaF() * kHandleOpacity);
    handle->setPixmap(
        look::symbol(QStringLiteral("line.3.horizontal"), color, kHandleSize, devicePixelRatioF()));
    handle->setCursor(Qt::OpenHandCursor);
    return handle;
}

void ReorderableRow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        pressedAt_ = event->position().toPoint();
    }
    QWidget::mousePressEvent(event);
}

void ReorderableRow::mouseMoveEvent(QMouseEvent* event)
{
    if (pressed_ && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - pressedAt_).manhattanLength()
            >= QApplication::startDragDistance()) {
        pressed_ = false;
        startDrag();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void ReorderableRow::startDrag()
{
    auto* mime = new QMimeData;
    mime->setText(QString::fromStdString(id_));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(grab());
    drag->setHotSpot(pressedAt_);
    list_.drag().begin(id_);
    list_.showDragState();
    // The list may change under the drag (another edit, a row removed): hold both weakly.
    QPointer<ReorderableList> list(&list_);
    drag->exec(Qt::MoveAction);
    if (list) {
        // Ended with or without a drop on a row: the dragged state goes either way.
        list->drag().end();
        list->showDragState();
    }
}

// A drag of this list carries the id of the row it dragged, and only this list's drag has set
// that id as dragging; text dragged in from elsewhere is not a reorder.
bool ReorderableRow::isOwnDrag(const QDropEvent* event) const
{
    const auto& dragging = list_.drag().dragging();
    return dragging && event->mimeData()->hasText()
        && event->mimeData()->text().toStdString() == *dragging;
}

void ReorderableRow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    list_.drag().enter(id_);
}

void ReorderableRow::dragMoveEvent(QDragMoveEvent* event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void ReorderableRow::dropEvent(QDropEvent* event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    // The order is final since the last row entered; the item's text is not read.
    event->setDropAction(Qt::MoveAction);
    event->accept();
    list_.drag().end();
    list_.showDragState();
}

void ReorderableRow::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::AltModifier
        && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        list_.moveByKeyboard(id_,
                             event->key() == Qt::Key_Up ? MoveDirection::Up : MoveDirection::Down);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ReorderableRow::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

ReorderableList::ReorderableList(DragReorder::Move move, MakeRow makeRow, QWidget* parent)
    : QWidget(parent)
    , move_(move)
    , drag_(std::move(move))
    , makeRow_(std::move(makeRow))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
}

ReorderableRow* ReorderableList::row(const std::string& id) const
{
    const auto found = std::find_if(rows_.begin(), rows_.end(),
                                    [&](const ReorderableRow* row) { return row->rowId() == id; });
    return found == rows_.end() ? nullptr : *found;
}

void ReorderableList::showIds(const std::vector<std::string>& ids)
{
    std::vector<ReorderableRow*> ordered;
    for (const auto& id : ids) {
        auto* kept = row(id);
        ordered.push_back(kept ? kept : makeRow_(id));
    }
    for (auto* old : rows_) {
        if (std::find(ordered.begin(), ordered.end(), old) == ordered.end()) {
            layout()->removeWidget(old);
            old->hide();
            // Later: it may be the source of the drag under way.
            old->deleteLater();
        }
    }
    if (ordered == rows_)
        return;
    for (auto* row : ordered)
        layout()->removeWidget(row);
    for (auto* row : ordered) {
        layout()->addWidget(row);
        row->show();
    }
    rows_ = std::move(ordered);
    followTabOrder();
    showDragState();
}

QWidget* ReorderableList::tabStopBefore() const
{
    for (QWidget* w = previousInFocusChain(); w && w != window(); w = w->previousInFocusChain()) {
        if (!isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus))
            return w;
    }
    return nullptr;
}

void ReorderableList::followTabOrder()
{
    // Tab goes from the control before the list through each row and its controls in the
    // rows' order, however the rows were made and moved.
    QWidget* previous = tabStopBefore();
    const auto chain = [&previous](QWidget* next) {
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    };
    for (auto* row : rows_) {
        chain(row);
        for (auto* control : row->findChildren<QWidget*>()) {
            if (control->focusPolicy() & Qt::TabFocus)
                chain(control);
        }
    }
}

void ReorderableList::showDragState()
{
    const auto& dragging = drag_.dragging();
    for (auto* row : rows_) {
        const bool faded = dragging && *dragging == row->rowId();
        if (faded == (row->graphicsEffect() != nullptr))
            continue;
        if (faded) {
            auto* effect = new QGraphicsOpacityEffect(row);
            effect->setOpacity(kDraggedOpacity);
            row->setGraphicsEffect(effect);
        } else {
            row->setGraphicsEffect(nullptr);
        }
    }
}

void ReorderableList::moveByKeyboard(const std::string& id, MoveDirection direction)
{
    std::vector<std::string> ids;
    for (const auto* row : rows_)
        ids.push_back(row->rowId());
    if (const auto target = keyboardMoveTarget(ids, id, direction))
        move_(id, *target);
}

} // namespace kavora
