// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/AudioControl.h"

#include <string>
#include <vector>

namespace kavora::test {

// An output mute switch whose outcome a test chooses; records "mute true" / "mute false".
class RecordingAudioControl final : public AudioControl {
public:
    MuteOutcome outcome { true, std::nullopt };
    std::vector<std::string> calls;

    MuteOutcome setOutputMuted(bool muted) override
    {
        calls.push_back(muted ? "mute true" : "mute false");
        return outcome;
    }
};

} // namespace kavora::test
