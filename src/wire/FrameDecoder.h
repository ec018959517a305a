// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavora {

// Bytes of the length that precedes every frame of the link: an unsigned 32-bit big-endian count
// of the payload bytes that follow.
inline constexpr std::size_t kFrameHeaderBytes = 4;

// The payload with its length before it. The payload must be shorter than 4 GiB.
std::string encodeFrame(std::string_view payload);

// Cuts a byte stream, fed in chunks of any size, into frames. The length is checked before any
// payload is kept: a length of zero or above the limit is a framing violation, after which the
// stream cannot be trusted and the decoder yields nothing more. It holds at most the last chunk
// and one unfinished frame, so its memory is bounded by the limit; its buffer is reused from
// chunk to chunk, and a frame's payload is handed out where it lies, without a copy.
class FrameDecoder {
public:
    enum class Status { NeedMore, Frame, Violation };

    explicit FrameDecoder(std::size_t maxPayloadBytes);

    // Applies to the frames not yet taken, including one whose bytes are already buffered.
    void setMaxPayloadBytes(std::size_t maxPayloadBytes) { maxPayloadBytes_ = maxPayloadBytes; }
    std::size_t maxPayloadBytes() const { return maxPayloadBytes_; }

    void append(std::string_view bytes);
    // Takes the next complete frame, when there is one: payload then views its bytes, valid
    // until the next call of append() or next().
    Status next(std::string_view& payload);

    // Some bytes of a frame not yet complete are buffered: a frame has started.
    bool hasPartialFrame() const { return !violated_ && buffered() > 0; }
    std::size_t buffered() const { return buffer_.size() - offset_; }
    bool violated() const { return violated_; }
    // Why the stream was refused, once violated().
    const std::string& violation() const { return violation_; }

private:
    void fail(std::string description);
    // Drops the bytes already taken.
    void compact();

    std::size_t maxPayloadBytes_;
    std::string buffer_;
    std::size_t offset_ = 0; // bytes of buffer_ already taken
    bool violated_ = false;
    std::string violation_;
};

} // namespace kavora
