#include "platform/InputBackendChoice.h"

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
                 "このデスクトップはリモート入力に対応していません" };
    }
    if (type == "x11" || environment.x11Display) {
        if (environment.xtestUsable())
            return { InputBackend::XTest, {}, {} };
        return { InputBackend::None,
                 "kavora: input cannot be injected on this display (no X server with XTEST)",
                 "このディスプレイには入力を送れません" };
    }
    return { InputBackend::None, "kavora: input cannot be injected: no desktop to send it to",
             "操作できるデスクトップがありません" };
}

} // namespace kavora
