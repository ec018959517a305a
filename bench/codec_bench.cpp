// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Encoding and decoding cost of the smallest frequent message (mouseDelta, up to 120 a second
// while the finger moves) and of the largest routine one (favoriteSites with ten icons).

#include "protocol/MessageCoding.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <random>
#include <string>

namespace {

using namespace kavora;

// PNG-like bytes: the signature, then noise that base64 cannot shorten, like compressed pixels.
Bytes iconBytes(std::size_t size, std::mt19937& random)
{
    Bytes bytes { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    while (bytes.size() < size)
        bytes.push_back(static_cast<std::uint8_t>(random()));
    return bytes;
}

ControlMessage tenSites()
{
    std::mt19937 random(42);
    msg::FavoriteSites message;
    const char* const names[] = { "Debian",  "Kernel", "Wikipedia",    "GNOME", "KDE",
                                  "Mozilla", "Qt",     "cppreference", "LWN",   "OpenStreetMap" };
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const std::string host = "https://www." + std::string(names[i]) + ".org";
        FavoriteSite site {
            host,      host + "/", names[i], std::nullopt, iconBytes(2048 + i * 2048 / 9, random),
            i % 3 == 0
        };
        if (i % 2 == 0)
            site.browserBundleId = "org.mozilla.firefox";
        message.sites.push_back(std::move(site));
    }
    return message;
}

void encode(benchmark::State& state, const ControlMessage& message)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto wire = encodeMessage(message);
        bytes += wire.value().size();
        benchmark::DoNotOptimize(wire);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void decode(benchmark::State& state, const ControlMessage& message)
{
    const std::string wire = encodeMessage(message).value();
    for (auto _ : state) {
        auto decoded = decodeMessage(wire);
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * wire.size()));
}

void encodeMouseDelta(benchmark::State& state)
{
    encode(state, msg::MouseDelta { 3.5F, -1.25F });
}
void decodeMouseDelta(benchmark::State& state)
{
    decode(state, msg::MouseDelta { 3.5F, -1.25F });
}
void encodeFavoriteSites(benchmark::State& state)
{
    encode(state, tenSites());
}
void decodeFavoriteSites(benchmark::State& state)
{
    decode(state, tenSites());
}

} // namespace

BENCHMARK(encodeMouseDelta);
BENCHMARK(decodeMouseDelta);
BENCHMARK(encodeFavoriteSites);
BENCHMARK(decodeFavoriteSites);
