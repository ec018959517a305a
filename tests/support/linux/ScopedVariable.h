// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace kavora::test {

// Sets (or, given nothing, unsets) an environment variable for the life of the object and puts
// the former value back afterwards, also when the test fails.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name))
    {
        if (const char* current = std::getenv(name_.c_str()))
            former_ = current;
        apply(value);
    }
    ~ScopedVariable() { apply(former_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void apply(const std::optional<std::string>& value) const
    {
        if (value)
            setenv(name_.c_str(), value->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

    std::string name_;
    std::optional<std::string> former_;
};

} // namespace kavora::test
