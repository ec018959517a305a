// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/ShellFace.h"

#include "presentation/Translation.h"

namespace kavora {

HiddenFace hiddenFace(bool trayShown, bool isAdvertising, bool userClosedWindow)
{
    if (trayShown)
        return HiddenFace::StatusIcon;
    if (isAdvertising)
        return HiddenFace::Notice;
    return userClosedWindow ? HiddenFace::Quit : HiddenFace::Window;
}

std::string windowCloseNote(bool isAdvertising)
{
    return isAdvertising ? i18n("Closing this window keeps accepting connections; the "
                                "notification brings you back.")
                         : i18n("Closing this window quits Kavora.");
}

std::string backgroundNoticeTitle()
{
    return i18n("Kavora is running");
}

std::string backgroundNoticeBody()
{
    return i18n("It is on and accepting connections. Opening Kavora from the applications list "
                "also brings back its settings.");
}

std::string backgroundNoticeOpenAction()
{
    return i18n("Open Settings");
}

std::string backgroundNoticeQuitAction()
{
    return i18n("Quit");
}

} // namespace kavora
