// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace kavora {

// How the desktop program stays in the user's sight while its settings window is hidden. Where
// a tray shows the status icon, the icon does. Without a tray the window is the program's face:
// closing it while Kavora is off ends the program; while Kavora is on, the receiver keeps
// running and a notification says so, with the way back to the window and the way out.
enum class HiddenFace {
    StatusIcon, // the tray's icon is there: nothing else to do
    Notice, // the notification that Kavora keeps running
    Window, // the window shows again: nothing else would
    Quit, // the user closed the window of a program that does nothing: it ends
};

// `userClosedWindow` is true when the user just closed the window, false when the window was
// hidden already and the tray or the switch changed.
HiddenFace hiddenFace(bool trayShown, bool isAdvertising, bool userClosedWindow);

// The note beside the window's "Quit" where there is no tray, saying what closing it does.
std::string windowCloseNote(bool isAdvertising);

// The notification while the receiver runs without a window or a tray, and its two actions.
std::string backgroundNoticeTitle();
std::string backgroundNoticeBody();
std::string backgroundNoticeOpenAction();
std::string backgroundNoticeQuitAction();

} // namespace kavora
