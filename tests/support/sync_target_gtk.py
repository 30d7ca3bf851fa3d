#!/usr/bin/python3
# The GTK counterpart of sync_target.cpp, with the same windows, fields and input lines
# (usage: sync_target_gtk.py APPLICATION-NAME). GTK's accessibility bridge offers each
# client a direct connection beside the bus, which the Qt application does not.
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

name = sys.argv[1] if len(sys.argv) > 1 else "SyncTargetGtk"
GLib.set_prgname(name)
GLib.set_application_name(name)

# Form1: alpha (inside a frame, after a label), beta and gamma; Form2: delta.
form1 = Gtk.Window(title="Form1")
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
frame = Gtk.Frame(label="Person")
inner = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
inner.add(Gtk.Label(label="Name"))
alpha = Gtk.Entry(text="Alpha")
inner.add(alpha)
frame.add(inner)
box.add(frame)
box.add(Gtk.Button(label="OK"))
beta = Gtk.Entry()
box.add(beta)
gamma = Gtk.TextView()
gamma.get_buffer().set_text("Gamma\nsecond line")
box.add(gamma)
form1.add(box)
form2 = Gtk.Window(title="Form2")
delta = Gtk.Entry(text="Delta")
form2.add(delta)
form1.show_all()
form2.show_all()


def escaped(text):
    return text.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")


def dump():
    buffer = gamma.get_buffer()
    texts = [("alpha", alpha.get_text()), ("beta", beta.get_text()),
             ("gamma", buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)),
             ("delta", delta.get_text())]
    for field, text in texts:
        print("%s=%s" % (field, escaped(text)))
    print("end", flush=True)


def on_input(channel, condition):
    line = sys.stdin.readline()
    if not line or line.strip() == "quit":
        Gtk.main_quit()
        return False
    if line.strip() == "dump":
        dump()
    return True


def ready():
    print("ready", flush=True)
    return False


GLib.idle_add(ready)
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
Gtk.main()
