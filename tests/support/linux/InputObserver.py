#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Brivane Works inc.
# SPDX-License-Identifier: GPL-3.0-or-later

# A client of the desktop that reports the input it receives, one line each, on stdout: READY
# once its window covers the screen and has the focus, MOTION x y, BDOWN n, BUP n, SCROLL dx dy
# (smooth) or SCROLL up|down (wheel clicks), KEY keyval hardware-keycode (presses only) and TEXT
# text, the content of its entry after each change. Runs on whatever backend GDK_BACKEND names. With
# KAVORA_OBSERVER_CLOCK=1 every line ends in " @" and the CLOCK_MONOTONIC time in nanoseconds at
# which the client handled the event, for latency measurements.
import os
import sys
import time

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


STAMPED = os.environ.get("KAVORA_OBSERVER_CLOCK") == "1"


def say(*words):
    if STAMPED:
        words = words + (f"@{time.monotonic_ns()}",)
    print(*words, flush=True)


def on_motion(_widget, event):
    say("MOTION", round(event.x_root), round(event.y_root))


def on_button(_widget, event):
    if event.type == Gdk.EventType.BUTTON_PRESS:
        say("BDOWN", event.button)
    elif event.type == Gdk.EventType.BUTTON_RELEASE:
        say("BUP", event.button)


def on_scroll(_widget, event):
    if event.direction == Gdk.ScrollDirection.SMOOTH:
        ok, dx, dy = event.get_scroll_deltas()
        say("SCROLL", f"{dx:g}", f"{dy:g}")
    elif event.direction == Gdk.ScrollDirection.UP:
        say("SCROLL up")
    elif event.direction == Gdk.ScrollDirection.DOWN:
        say("SCROLL down")


def on_key(_widget, event):
    say("KEY", event.keyval, event.hardware_keycode)
    return False


def main():
    window = Gtk.Window(title="kavora input observer")
    area = Gtk.DrawingArea()
    area.add_events(Gdk.EventMask.POINTER_MOTION_MASK | Gdk.EventMask.BUTTON_PRESS_MASK
                    | Gdk.EventMask.BUTTON_RELEASE_MASK | Gdk.EventMask.SCROLL_MASK
                    | Gdk.EventMask.SMOOTH_SCROLL_MASK)
    window.add_events(Gdk.EventMask.KEY_PRESS_MASK)
    entry = Gtk.Entry()
    # The entry sits at the bottom, out of the pointer's way: the pointer starts near the top
    # left, and a click on the entry would be the entry's (a right click opens its menu).
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    box.pack_start(area, True, True, 0)
    box.pack_end(entry, False, False, 0)
    window.add(box)
    area.connect("motion-notify-event", on_motion)
    area.connect("button-press-event", on_button)
    area.connect("button-release-event", on_button)
    area.connect("scroll-event", on_scroll)
    window.connect("key-press-event", on_key)
    entry.connect("changed", lambda e: say("TEXT", e.get_text()))
    window.connect("destroy", Gtk.main_quit)

    # Ready once shown over the whole screen, so that the pointer is on it wherever it is.
    shown = []

    def ready(_window, event):
        if event.new_window_state & Gdk.WindowState.FULLSCREEN and not shown:
            shown.append(True)
            entry.grab_focus()
            GLib.timeout_add(300, lambda: say("READY") or False)

    window.connect("window-state-event", ready)
    window.fullscreen()
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    sys.exit(main())
