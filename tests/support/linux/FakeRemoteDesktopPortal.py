#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Brivane Works inc.
# SPDX-License-Identifier: GPL-3.0-or-later

# A stand-in for the desktop portal's remote desktop (version 2, remembering grants) and for
# GNOME's screen saver, on the session bus, for tests of the receiver's portal session. Every
# call is printed as "CALL Method key=value ..." (its options, sorted); requests are granted at
# once with a restore token "token-N". The screen counts as locked while the file named by the
# first argument exists. Prints READY once both names are owned, or TAKEN and exits where another
# program owns one.
import sys

from gi.repository import Gio, GLib

PORTAL_XML = """
<node>
  <interface name="org.freedesktop.portal.RemoteDesktop">
    <method name="CreateSession"><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
    <method name="SelectDevices"><arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
    <method name="Start"><arg type="o" direction="in"/><arg type="s" direction="in"/><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
    <method name="NotifyPointerMotion"><arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="d" direction="in"/><arg type="d" direction="in"/></method>
    <method name="NotifyKeyboardKeycode"><arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="in"/></method>
    <property name="version" type="u" access="read"/>
    <property name="AvailableDeviceTypes" type="u" access="read"/>
  </interface>
</node>"""
SESSION_XML = """
<node><interface name="org.freedesktop.portal.Session"><method name="Close"/></interface></node>"""
SAVER_XML = """
<node><interface name="org.gnome.ScreenSaver">
  <method name="GetActive"><arg type="b" direction="out"/></method>
</interface></node>"""

lock_file = sys.argv[1]
tokens = [0]


def say(*words):
    print(*words, flush=True)


def describe(options):
    return " ".join(f"{key}={options[key]}" for key in sorted(options) if key != "handle_token")


def respond(connection, sender, options, results):
    path = "/org/freedesktop/portal/desktop/request/%s/%s" % (
        sender[1:].replace(".", "_"), options["handle_token"])

    def emit():
        connection.emit_signal(None, path, "org.freedesktop.portal.Request", "Response",
                               GLib.Variant("(ua{sv})", (0, results)))
        return False

    GLib.timeout_add(20, emit)
    return GLib.Variant("(o)", (path,))


def on_session_call(connection, sender, path, interface, method, parameters, invocation):
    say("CALL", method)
    invocation.return_value(None)


def on_portal_call(connection, sender, path, interface, method, parameters, invocation):
    args = parameters.unpack()
    if method == "CreateSession":
        options = args[0]
        say("CALL", method)
        session = "/org/freedesktop/portal/desktop/session/%s/%s" % (
            sender[1:].replace(".", "_"), options["session_handle_token"])
        connection.register_object(session, Gio.DBusNodeInfo.new_for_xml(SESSION_XML).interfaces[0],
                                   on_session_call, None, None)
        invocation.return_value(respond(connection, sender, options,
                                        {"session_handle": GLib.Variant("s", session)}))
    elif method in ("SelectDevices", "Start"):
        options = args[-1]
        say("CALL", method, describe(options))
        results = {}
        if method == "Start":
            tokens[0] += 1
            results = {"devices": GLib.Variant("u", 3),
                       "restore_token": GLib.Variant("s", "token-%d" % tokens[0])}
        invocation.return_value(respond(connection, sender, options, results))
    else:
        say("CALL", method)
        invocation.return_value(None)


def on_property(connection, sender, path, interface, name):
    return GLib.Variant("u", 2 if name == "version" else 3)


def on_saver_call(connection, sender, path, interface, method, parameters, invocation):
    invocation.return_value(GLib.Variant("(b)", (GLib.file_test(lock_file, GLib.FileTest.EXISTS),)))


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    bus.register_object("/org/freedesktop/portal/desktop",
                        Gio.DBusNodeInfo.new_for_xml(PORTAL_XML).interfaces[0],
                        on_portal_call, on_property, None)
    bus.register_object("/org/gnome/ScreenSaver",
                        Gio.DBusNodeInfo.new_for_xml(SAVER_XML).interfaces[0],
                        on_saver_call, None, None)
    for name in ("org.freedesktop.portal.Desktop", "org.gnome.ScreenSaver"):
        reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", "RequestName",
                              GLib.Variant("(su)", (name, 4)), None, 0, -1, None)
        if reply.unpack()[0] != 1:  # not the primary owner: a real one runs on this bus
            say("TAKEN", name)
            return 1
    say("READY")
    GLib.MainLoop().run()


if __name__ == "__main__":
    sys.exit(main())
