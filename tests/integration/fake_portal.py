#!/usr/bin/python3
# A desktop portal for the tests, on the session bus it is started on:
#   fake_portal.py READY-FILE RECORD-FILE [--without-shortcuts] [--refuse ID]... [--a11y ADDRESS]
# It offers org.freedesktop.portal.GlobalShortcuts (unless --without-shortcuts), answers
# CreateSession and BindShortcuts through request objects as the real portal does, binds every
# shortcut but the refused ones, and appends each BindShortcuts call to RECORD-FILE as one JSON
# line. org.ozmira.FakePortal.Activate(s) emits Activated for that shortcut of the last session.
# With --a11y it also names the test session's accessibility bus, as the desktop's bus does, so
# the program on this private bus is seen by the tests' accessibility probe.
import json
import sys

from gi.repository import Gio, GLib

ready_file, record_file = sys.argv[1], sys.argv[2]
with_shortcuts = "--without-shortcuts" not in sys.argv
refused = {sys.argv[i + 1] for i, a in enumerate(sys.argv) if a == "--refuse"}
a11y = [sys.argv[i + 1] for i, a in enumerate(sys.argv) if a == "--a11y"]

PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = """<node><interface name="org.freedesktop.portal.GlobalShortcuts">
<method name="CreateSession"><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
<method name="BindShortcuts"><arg type="o" direction="in"/><arg type="a(sa{sv})" direction="in"/>
<arg type="s" direction="in"/><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
<signal name="Activated"><arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/></signal>
<property name="version" type="u" access="read"/></interface></node>"""
A11Y = """<node><interface name="org.a11y.Bus"><method name="GetAddress">
<arg type="s" direction="out"/></method></interface><interface name="org.a11y.Status">
<property name="IsEnabled" type="b" access="read"/>
<property name="ScreenReaderEnabled" type="b" access="read"/></interface></node>"""
CONTROL = """<node><interface name="org.ozmira.FakePortal">
<method name="Activate"><arg type="s" direction="in"/></method></interface></node>"""

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
sessions = []


def request_path(sender, options):
    return "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), options["handle_token"])


def answer_later(sender, path, results):
    def emit():
        bus.emit_signal(sender, path, "org.freedesktop.portal.Request", "Response",
                        GLib.Variant("(ua{sv})", (0, results)))
        return False
    GLib.timeout_add(50, emit)


def on_call(connection, sender, path, interface, method, params, invocation):
    args = params.unpack()
    if method == "CreateSession":
        options = args[0]
        handle = request_path(sender, options)
        session = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"),
                                       options["session_handle_token"])
        sessions.append(session)
        invocation.return_value(GLib.Variant("(o)", (handle,)))
        answer_later(sender, handle, {"session_handle": GLib.Variant("s", session)})
    elif method == "BindShortcuts":
        session, shortcuts, _parent, options = args
        with open(record_file, "a") as f:
            f.write(json.dumps({"session": session, "shortcuts": shortcuts}, ensure_ascii=False) + "\n")
        handle = request_path(sender, options)
        invocation.return_value(GLib.Variant("(o)", (handle,)))
        bound = [(i, {"description": GLib.Variant("s", p["description"]),
                      "trigger_description": GLib.Variant("s", p.get("preferred_trigger", ""))})
                 for i, p in shortcuts if i not in refused]
        answer_later(sender, handle, {"shortcuts": GLib.Variant("a(sa{sv})", bound)})
    elif method == "GetAddress":
        invocation.return_value(GLib.Variant("(s)", (a11y[0],)))
    elif method == "Activate":
        bus.emit_signal(None, PATH, "org.freedesktop.portal.GlobalShortcuts", "Activated",
                        GLib.Variant("(osta{sv})", (sessions[-1] if sessions else "/", args[0], 0, {})))
        invocation.return_value(None)


def on_property(connection, sender, path, interface, name):
    return GLib.Variant("b", True) if interface == "org.a11y.Status" else GLib.Variant("u", 1)


if with_shortcuts:
    info = Gio.DBusNodeInfo.new_for_xml(SHORTCUTS).interfaces[0]
    bus.register_object(PATH, info, on_call, on_property, None)
bus.register_object(PATH, Gio.DBusNodeInfo.new_for_xml(CONTROL).interfaces[0], on_call, None, None)


def acquired(*_):
    with open(ready_file, "w") as f:
        f.write("ready\n")


if a11y:
    for info in Gio.DBusNodeInfo.new_for_xml(A11Y).interfaces:
        bus.register_object("/org/a11y/bus", info, on_call, on_property, None)
    Gio.bus_own_name_on_connection(bus, "org.a11y.Bus", Gio.BusNameOwnerFlags.NONE, None, None)

Gio.bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop",
                               Gio.BusNameOwnerFlags.NONE, acquired, lambda *_: sys.exit(1))
GLib.MainLoop().run()
