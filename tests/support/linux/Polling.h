// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QTest>

#include <chrono>
#include <functional>

namespace kavora::test {

// Calls done() until it holds or the timeout passes, running the Qt event loop (when there is
// one) in between, since the code under test may need it: clipboard transfers, D-Bus replies,
// GLib sources. True when done() held.
inline bool pollUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(15))
{
    return QTest::qWaitFor(done, static_cast<int>(timeout.count()));
}

} // namespace kavora::test
