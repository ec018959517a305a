// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kavora {

// The drag-to-reorder rule of one list: the row being dragged moves onto each row the pointer
// enters, so the list reorders live and the order is final when the drag ends. Knows nothing of
// widgets; the list view reports the drag's moments and draws the dragged row faded.
class DragReorder {
public:
    // Moves the row `from` to the place of the row `to` (the controller's move operation).
    using Move = std::function<void(const std::string& from, const std::string& to)>;

    explicit DragReorder(Move move)
        : move_(std::move(move))
    {
    }

    // The id of the row being dragged, absent when no drag of this list is under way.
    const std::optional<std::string>& dragging() const { return dragging_; }

    void begin(const std::string& id) { dragging_ = id; }
    // The pointer entered the row `target`: the dragged row moves there. Entering the dragged row
    // itself, or any row when no drag of this list is under way, moves nothing.
    void enter(const std::string& target)
    {
        if (dragging_ && *dragging_ != target)
            move_(*dragging_, target);
    }
    // A drop on a row of this list, or the end of the drag wherever it ended: the order is
    // already final, only the dragged state goes.
    void end() { dragging_.reset(); }

private:
    Move move_;
    std::optional<std::string> dragging_;
};

} // namespace kavora
