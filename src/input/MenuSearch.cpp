// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/MenuSearch.h"

#include <algorithm>
#include <utility>

namespace kavora {
namespace {

// Real menus stay far below both.
constexpr int kMaxMenuDepth = 32;
constexpr int kMaxMenuElements = 20000;

} // namespace

void MenuSearch::start(const std::shared_ptr<AccessibilityElement>& menuBar,
                       std::span<const std::string_view> titles, Done done)
{
    auto search = std::make_shared<MenuSearch>(titles, std::move(done));
    search->toVisit_.push_back({ menuBar, 0 });
    search->resume();
}

MenuSearch::MenuSearch(std::span<const std::string_view> titles, Done done)
    : titles_(titles)
    , done_(std::move(done))
{
}

void MenuSearch::resume()
{
    if (running_) {
        answeredAtOnce_ = true;
        return;
    }
    running_ = true;
    do {
        answeredAtOnce_ = false;
        step();
    } while (answeredAtOnce_);
    running_ = false;
}

void MenuSearch::step()
{
    // Each answer sets the step it leads to and resumes; `self` keeps the search alive meanwhile.
    auto self = shared_from_this();
    switch (step_) {
    case Step::Next:
        if (toVisit_.empty() || ++visited_ > kMaxMenuElements) {
            done_(false);
            return;
        }
        current_ = std::move(toVisit_.back());
        toVisit_.pop_back();
        current_.element->title([self](std::optional<std::string> title) {
            self->title_ = std::move(title);
            self->step_ = Step::Titled;
            self->resume();
        });
        return;
    case Step::Titled:
        if (title_ && std::ranges::find(titles_, *title_) != titles_.end()) {
            current_.element->press([self](bool pressed) {
                self->pressed_ = pressed;
                self->step_ = Step::Pressed;
                self->resume();
            });
        } else if (current_.depth < kMaxMenuDepth) {
            current_.element->children([self](std::optional<AccessibilityElement::Elements> list) {
                self->children_ = std::move(list);
                self->step_ = Step::Listed;
                self->resume();
            });
        } else {
            step_ = Step::Next;
            answeredAtOnce_ = true;
        }
        return;
    case Step::Listed:
        if (children_) {
            // The first child is visited next.
            for (auto child = children_->rbegin(); child != children_->rend(); ++child) {
                if (*child)
                    toVisit_.push_back({ *child, current_.depth + 1 });
            }
        }
        children_.reset();
        step_ = Step::Next;
        answeredAtOnce_ = true;
        return;
    case Step::Pressed:
        if (pressed_) {
            done_(true);
            return;
        }
        step_ = Step::Next; // on with the elements after it
        answeredAtOnce_ = true;
        return;
    }
}

} // namespace kavora
