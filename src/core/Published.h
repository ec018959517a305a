// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kavora {

// Ends a subscription when destroyed (or on reset()). Safe to outlive the publisher.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel)
        : cancel_(std::move(cancel))
    {
    }
    Subscription(Subscription&& other) noexcept
        : cancel_(std::exchange(other.cancel_, {}))
    {
    }
    Subscription& operator=(Subscription&& other) noexcept
    {
        if (this != &other) {
            reset();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset()
    {
        if (cancel_)
            std::exchange(cancel_, {})();
    }

private:
    std::function<void()> cancel_;
};

enum class Delivery { ChangesOnly, CurrentFirst };

// A value whose every assignment notifies its subscribers, even when the value is unchanged.
// Subscribers may subscribe, unsubscribe or assign again from inside a notification.
//
// The one object that writes a value keeps its Published private and hands out a const
// reference: that view can be read and subscribed to, never assigned.
template <class T> class Published {
public:
    using Observer = std::function<void(const T&)>;

    Published() = default;
    explicit Published(T initial)
        : value_(std::move(initial))
    {
    }
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const { return value_; }
    const T& operator*() const { return value_; }
    const T* operator->() const { return &value_; }

    void set(T value)
    {
        value_ = std::move(value);
        // Snapshot the ids so that changes to the list during delivery are honoured safely.
        std::vector<std::uint64_t> ids;
        ids.reserve(observers_->size());
        for (const auto& entry : *observers_)
            ids.push_back(entry.id);
        for (auto id : ids) {
            if (auto observer = find(id))
                observer(value_);
        }
    }
    Published& operator=(T value)
    {
        set(std::move(value));
        return *this;
    }

    // Observing does not change the value, so a read-only view may subscribe.
    [[nodiscard]] Subscription subscribe(Observer observer,
                                         Delivery delivery = Delivery::ChangesOnly) const
    {
        const auto id = nextId_++;
        observers_->push_back({ id, observer });
        if (delivery == Delivery::CurrentFirst)
            observer(value_);
        std::weak_ptr<std::vector<Entry>> weak = observers_;
        return Subscription([weak, id] {
            if (auto list = weak.lock())
                std::erase_if(*list, [id](const Entry& entry) { return entry.id == id; });
        });
    }

private:
    struct Entry {
        std::uint64_t id;
        Observer observer;
    };

    Observer find(std::uint64_t id) const
    {
        for (const auto& entry : *observers_) {
            if (entry.id == id)
                return entry.observer;
        }
        return {};
    }

    T value_ {};
    std::shared_ptr<std::vector<Entry>> observers_ = std::make_shared<std::vector<Entry>>();
    mutable std::uint64_t nextId_ = 1;
};

} // namespace kavora
