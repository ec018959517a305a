// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/AudioControl.h"

#include <chrono>

namespace kavora {

// The default output's mute switch through the PulseAudio client library, which also talks to
// PipeWire's PulseAudio server. Each call opens its own short connection and waits for the answer
// on a private loop up to a deadline, so a missing or hung sound server costs at most that long;
// the server's default sink is resolved anew each time (a headset may have become the default).
class PulseAudioControl final : public AudioControl {
public:
    static constexpr std::chrono::milliseconds kDefaultDeadline { 2000 };

    explicit PulseAudioControl(std::chrono::milliseconds deadline = kDefaultDeadline);

    // Fails with a description when no server answers, the server has no default sink, or the
    // deadline passes.
    MuteOutcome setOutputMuted(bool muted) override;

private:
    std::chrono::milliseconds deadline_;
};

} // namespace kavora
