#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Brivane Works inc.
# SPDX-License-Identifier: GPL-3.0-or-later

# Answers the desktop portal's remote-desktop dialog the way a person would, through the
# accessibility bus: "share" switches "Allow remote interaction" on and presses Share, "cancel"
# presses Cancel. Waits for the dialog up to the timeout (seconds); prints DONE or NONE and exits
# 0 or 1. Usage: PortalDialogAnswer.py share|cancel [timeout]
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def walk(node, depth=0):
    if node is None or depth > 12:
        return
    yield node
    for i in range(node.get_child_count()):
        try:
            yield from walk(node.get_child_at_index(i), depth + 1)
        except Exception:  # a node that went away meanwhile
            continue


def find(root, role, name_start):
    for node in walk(root):
        try:
            if node.get_role_name() == role and (node.get_name() or "").startswith(name_start):
                return node
        except Exception:
            continue
    return None


def act(node, wanted):
    for i in range(node.get_n_actions()):
        if Atspi.Action.get_action_name(node, i) == wanted:
            return node.do_action(i)
    return False


def dialog():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "xdg-desktop-portal-gnome":
            frame = find(app, "frame", "Remote desktop") or find(app, "dialog", "Remote desktop")
            if frame is not None:
                return frame
    return None


def main():
    warnings.simplefilter("ignore")
    answer = sys.argv[1]
    deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 30)
    while time.monotonic() < deadline:
        try:
            frame = dialog()
            if frame is not None:
                if answer == "share":
                    switch = find(frame, "check box", "Allow remote interaction")
                    share = find(frame, "push button", "_Share") or find(frame, "push button", "Share")
                    if switch is not None and share is not None:
                        act(switch, "toggle")
                        time.sleep(0.2)
                        if act(share, "click"):
                            print("DONE", flush=True)
                            return 0
                else:
                    cancel = find(frame, "push button", "Cancel") or find(frame, "push button", "_Cancel")
                    if cancel is not None and act(cancel, "click"):
                        print("DONE", flush=True)
                        return 0
        except Exception:
            pass
        time.sleep(0.2)
    print("NONE", flush=True)
    return 1


if __name__ == "__main__":
    sys.exit(main())
