// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace kavora {

struct Error {
    std::string description;
};

// A value or an error with a human-readable description (std::expected is not in g++ 12).
template <class T> class Result {
public:
    Result(T value)
        : state_(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Error error)
        : state_(std::in_place_index<1>, std::move(error))
    {
    }

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const&
    {
        assert(ok());
        return std::get<0>(state_);
    }
    T& value() &
    {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() &&
    {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    const std::string& error() const
    {
        assert(!ok());
        return std::get<1>(state_).description;
    }

private:
    std::variant<T, Error> state_;
};

} // namespace kavora
