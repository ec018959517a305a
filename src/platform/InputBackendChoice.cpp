// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/InputBackendChoice.h"

#include "core/Translatable.h"

namespace kavora {

InputBackendChoice chooseInputBackend(const InputEnvironment& environment)
{
    const auto& type = environment.sessionType;
    const bool wayland = type == "wayland" || (type != "x11" && environment.waylandDisplay);
    if (wayland) {
        if (environment.portalHasRemoteDesktop())
            return { InputBackend::Portal, {}, {} };
        return { InputBackend::None,
                 "kavora: input cannot be injected: the desktop portal offers no remote desktop",
                 translatable("This desktop does not take remote input") };
    }
    if (type == "x11" || environment.x11Display) {
        if (environment.xtestUsable())
            return { InputBackend::XTest, {}, {} };
        return { InputBackend::None,
                 "kavora: input cannot be injected on this display (no X server with XTEST)",
                 translatable("Input cannot be sent to this display") };
    }
    return { InputBackend::None, "kavora: input cannot be injected: no desktop to send it to",
             translatable("There is no desktop to control") };
}

} // namespace kavora
