// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>

namespace kavora {

struct MuteOutcome {
    bool succeeded = false;
    // A description of the failure when the system gave one.
    std::optional<std::string> errorDescription;
};

// The output device's mute switch (volume steps go through the media keys).
class AudioControl {
public:
    virtual ~AudioControl() = default;
    virtual MuteOutcome setOutputMuted(bool muted) = 0;
};

} // namespace kavora
