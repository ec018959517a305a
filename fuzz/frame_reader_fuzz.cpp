// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Feeds arbitrary bytes to the link's frame reader, in chunks of a size the first byte chooses.
// Every frame is within the limit and not empty, the chunks change nothing, and the frames
// encoded again are the bytes they were read from; anything else aborts.

#include "wire/FrameDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kLimit = 4096;

struct Reading {
    std::vector<std::string> frames;
    bool violated = false;
};

Reading read(std::string_view bytes, std::size_t chunk)
{
    kavora::FrameDecoder decoder(kLimit);
    Reading reading;
    std::string_view payload;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        decoder.append(bytes.substr(at, chunk));
        while (decoder.next(payload) == kavora::FrameDecoder::Status::Frame) {
            if (payload.empty() || payload.size() > kLimit)
                std::abort();
            reading.frames.emplace_back(payload);
        }
        // Memory stays bounded: at most one unfinished frame is held.
        if (decoder.buffered() >= kLimit + kavora::kFrameHeaderBytes)
            std::abort();
    }
    reading.violated = decoder.violated();
    return reading;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto chunked = read(bytes, data[0] % 64 + 1);
    const auto whole = read(bytes, bytes.size() + 1);
    if (chunked.frames != whole.frames || chunked.violated != whole.violated)
        std::abort();
    std::string again;
    for (const auto& frame : whole.frames)
        again += kavora::encodeFrame(frame);
    if (bytes.substr(0, again.size()) != again)
        std::abort();
    return 0;
}
