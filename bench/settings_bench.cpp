// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// One read of a setting the input path asks for at event time (the cursor speed, per motion
// message and per 120 Hz frame), from the settings file store, and the file-system check that
// such a read used to make every time.
#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "support/CapturingLog.h"
#include "support/TemporaryFolder.h"

#include <benchmark/benchmark.h>

#include <sys/stat.h>

namespace kavora {
namespace {

struct Store {
    test::TemporaryFolder temporary;
    test::CapturingLog log;
    JsonFileUserDefaults defaults { temporary.path() / "kavora", log };

    Store()
    {
        defaults.setDouble("macCursorSpeed", 1.5);
        defaults.doubleValue("macCursorSpeed"); // the first read starts the watch
        defaults.takeChangeNotifications();
    }
};

// Served from memory: nothing changed since the last read.
void BM_SettingsReadUnchanged(benchmark::State& state)
{
    Store store;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.defaults.doubleValue("macCursorSpeed"));
}
BENCHMARK(BM_SettingsReadUnchanged);

// The stat() of settings.json that every read made before the store was told of changes.
void BM_SettingsFileStat(benchmark::State& state)
{
    Store store;
    const auto file = store.defaults.filePath();
    for (auto _ : state) {
        struct stat status { };
        benchmark::DoNotOptimize(::stat(file.c_str(), &status));
    }
}
BENCHMARK(BM_SettingsFileStat);

} // namespace
} // namespace kavora
