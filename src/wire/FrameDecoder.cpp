// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/FrameDecoder.h"

#include <cassert>
#include <limits>
#include <utility>

namespace kavora {

std::string encodeFrame(std::string_view payload)
{
    assert(payload.size() <= std::numeric_limits<std::uint32_t>::max());
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::string frame;
    frame.reserve(kFrameHeaderBytes + payload.size());
    frame.push_back(static_cast<char>((length >> 24) & 0xFF));
    frame.push_back(static_cast<char>((length >> 16) & 0xFF));
    frame.push_back(static_cast<char>((length >> 8) & 0xFF));
    frame.push_back(static_cast<char>(length & 0xFF));
    frame.append(payload);
    return frame;
}

FrameDecoder::FrameDecoder(std::size_t maxPayloadBytes)
    : maxPayloadBytes_(maxPayloadBytes)
{
}

void FrameDecoder::compact()
{
    if (offset_ == buffer_.size())
        buffer_.clear(); // keeps its capacity for the next chunk
    else if (offset_ > 0)
        buffer_.erase(0, offset_);
    offset_ = 0;
}

void FrameDecoder::append(std::string_view bytes)
{
    if (violated_)
        return;
    // Drop what was taken before growing, so the buffer never holds more than one unfinished
    // frame plus the new chunk.
    compact();
    buffer_.append(bytes);
}

FrameDecoder::Status FrameDecoder::next(std::string_view& payload)
{
    if (violated_)
        return Status::Violation;
    // The frame handed out last is left where it lies until now.
    if (offset_ == buffer_.size())
        compact();
    if (buffered() < kFrameHeaderBytes)
        return Status::NeedMore;

    std::uint32_t length = 0;
    for (std::size_t i = 0; i < kFrameHeaderBytes; ++i)
        length = (length << 8) | static_cast<std::uint8_t>(buffer_[offset_ + i]);
    if (length == 0) {
        fail("empty frame");
        return Status::Violation;
    }
    if (length > maxPayloadBytes_) {
        fail("frame of " + std::to_string(length) + " bytes exceeds the limit of "
             + std::to_string(maxPayloadBytes_));
        return Status::Violation;
    }
    if (buffered() - kFrameHeaderBytes < length)
        return Status::NeedMore;

    payload = std::string_view(buffer_).substr(offset_ + kFrameHeaderBytes, length);
    offset_ += kFrameHeaderBytes + length;
    return Status::Frame;
}

void FrameDecoder::fail(std::string description)
{
    violated_ = true;
    violation_ = std::move(description);
    buffer_.clear();
    buffer_.shrink_to_fit();
    offset_ = 0;
}

} // namespace kavora
