#!/usr/bin/env python3
"""Measures the running program on the X display it is given (see measure_program.sh).

Hotkey to overlay: the time from a hotkey's press (XTest) to the region selector's hint
on the screen, with the main window shown and, as the baseline, already minimized; each
overlay is also checked for the main window (it must show the desktop where the window
was), and the time until the main window's place shows the desktop. Where the screen is frozen first (X11 without a compositing manager) the hint is up
before the snapshot is read and the overlay's later paint shows the very pixels already on
the screen, so no reading of the screen can tell when that paint ends. Memory: resident
size at idle and after whole-screen coordinate captures. Idle: context switches of all the
program's threads per second, shown and minimized.
Prints Markdown. Run by hand, never by the tests.
"""

import argparse
import ctypes
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "tests", "support", "ocr_test_server.py")

x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                          ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XDestroyImage.argtypes = [ctypes.c_void_p]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class Display:
    def __init__(self):
        self.d = x11.XOpenDisplay(None)
        if not self.d:
            sys.exit("no X display")
        self.root = x11.XDefaultRootWindow(self.d)

    def grab(self, x, y, w, h):
        image = x11.XGetImage(self.d, self.root, x, y, w, h, 0xFFFFFFFF, 2)
        if not image:
            return b""
        info = XImage.from_address(image)
        data = bytearray(ctypes.string_at(info.data, info.bytes_per_line * info.height))
        x11.XDestroyImage(image)
        # The fourth byte of a 24-bit pixel is padding: whatever a client put there.
        data[3::4] = bytes(len(data) // 4)
        return bytes(data)

    def key(self, keysyms, press=True):
        for sym in keysyms if press else reversed(keysyms):
            xtst.XTestFakeKeyEvent(self.d, x11.XKeysymToKeycode(self.d, sym), press, 0)
        x11.XFlush(self.d)

    def tap(self, keysyms):
        self.key(keysyms, True)
        self.key(keysyms, False)


CTRL, F7, F8, ESCAPE = 0xFFE3, 0xFFC4, 0xFFC5, 0xFF1B


def wait_until(condition, limit):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.001)
    return False


class Server:
    def __init__(self):
        self.process = subprocess.Popen([sys.executable, SERVER], stdout=subprocess.PIPE,
                                        text=True)
        self.ports = json.loads(self.process.stdout.readline())

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.ports["http"], path)

    def count(self, part):
        request = urllib.request.Request(
            "http://127.0.0.1:%d/control" % self.ports["control"],
            data=json.dumps({"cmd": "records"}).encode(), method="POST")
        with urllib.request.urlopen(request) as reply:
            records = json.loads(reply.read())["records"]
        return sum(1 for r in records if part in json.dumps(r))

    def recognitions(self):
        return self.count("/ocr/")

    def tokens(self):
        return self.count("/oauth/")

    def stop(self):
        self.process.kill()


def program_folder(server, width, height):
    home = tempfile.mkdtemp(prefix="ozmira-measure-")
    with open(os.path.join(home, "key.ini"), "w", encoding="utf-8") as f:
        f.write("[测量]\nAPI Key=id\nSecret Key=secret\n")
    with open(os.path.join(home, "service.ini"), "w", encoding="utf-8") as f:
        f.write("[service]\nTokenEndpoint=%s\nApiBaseUrl=%s\nUpdateInfoUrl=%s\n" % (
            server.url("/oauth/2.0/token"), server.url("/rest/2.0/"), server.url("/update.json")))
    with open(os.path.join(home, "windows data.ini"), "w", encoding="utf-8") as f:
        # Ctrl+F8 drags a rectangle, Ctrl+F7 captures the whole screen by coordinates.
        f.write("[编辑框坐标]\n内容=0|0|%d|%d\n[组合框1]\n现行选中项=2\n[快捷键1]\n键码=F8键\n"
                "[组合框2]\n现行选中项=2\n[快捷键2]\n键码=F7键\n" % (width, height))
    return home


def status_of(pid, field):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as f:
            for line in f:
                if line.startswith(field + ":"):
                    total += int(line.split()[1])
    return total


def rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def wakeups_per_second(pid, seconds):
    def switches():
        return (status_of(pid, "voluntary_ctxt_switches") +
                status_of(pid, "nonvoluntary_ctxt_switches"))
    before = switches()
    time.sleep(seconds)
    return (switches() - before) / seconds


def xdotool(*args):
    subprocess.run(["xdotool"] + list(args), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--captures", type=int, default=10)
    parser.add_argument("--window-manager", action="store_true")
    parser.add_argument("--compositor", action="store_true")
    args = parser.parse_args()

    display = Display()
    size = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True,
                          text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    hint = (width // 2 - 214, 8, 428, 32)
    inside = (150, 200, 300, 300)  # well inside the main window at (50, 50)
    desktop = display.grab(*inside)

    server = Server()
    home = program_folder(server, width, height)
    env = dict(os.environ, OZMIRA_HOME=home, QT_QPA_PLATFORM="xcb")
    program = subprocess.Popen([args.program], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    rows = []
    try:
        if not wait_until(lambda: display.grab(*inside) != desktop, 60):
            sys.exit("the main window never showed")
        # The token step comes after the hotkeys' registration.
        if not wait_until(lambda: server.tokens() > 0, 60):
            sys.exit("the program never asked for a token")
        time.sleep(2)

        def hint_shown():
            # The hint's label is light grey (f0f0f0) on whatever lies beneath.
            data = display.grab(*hint)
            grey = data.count(b"\xf0\xf0\xf0\x00")
            return grey * 4 > len(data) // 2

        def overlay_latency():
            # When the hint shows and when the main window's place shows the desktop again.
            seen = {}
            before = time.perf_counter()
            display.tap([CTRL, F8])

            def both():
                now = (time.perf_counter() - before) * 1000.0
                if "hint" not in seen and hint_shown():
                    seen["hint"] = now
                if "gone" not in seen and display.grab(*inside) == desktop:
                    seen["gone"] = now
                return len(seen) == 2
            wait_until(both, 10)
            # The overlay may still be putting its picture up: a moment's grace.
            clean = wait_until(lambda: display.grab(*inside) == desktop, 0.5)
            display.tap([ESCAPE])
            gone_times.append(seen.get("gone"))
            return seen.get("hint"), clean

        fresh = rss_mb(program.pid)
        # Idle, before any capture: the banner plays while the window is shown.
        shown_rate = wakeups_per_second(program.pid, 10)
        if args.window_manager:
            xdotool("search", "--name", "OzmiraV3.9", "windowminimize")
            time.sleep(2)
            hidden_rate = wakeups_per_second(program.pid, 10)
            xdotool("search", "--name", "OzmiraV3.9", "windowactivate")
            wait_until(lambda: display.grab(*inside) != desktop, 5)
            time.sleep(1)
            rows.append(("context switches per second, idle and minimized",
                         "%.1f" % hidden_rate, "idle and shown: %.1f" % shown_rate))

        gone_times = []
        shown_times, clean_all = [], True
        for _ in range(args.runs):
            took, clean = overlay_latency()
            clean_all = clean_all and clean
            if took is not None:
                shown_times.append(took)
            wait_until(lambda: display.grab(*inside) != desktop, 5)
            time.sleep(0.7)
        shown_gone = [t for t in gone_times if t is not None]
        minimized_times = []
        if args.window_manager:
            xdotool("search", "--name", "OzmiraV3.9", "windowminimize")
            wait_until(lambda: display.grab(*inside) == desktop, 5)
            time.sleep(1)
            for _ in range(args.runs):
                took, clean = overlay_latency()
                if took is not None:
                    minimized_times.append(took)
                time.sleep(0.7)
            xdotool("search", "--name", "OzmiraV3.9", "windowactivate")
            wait_until(lambda: display.grab(*inside) != desktop, 5)
        time.sleep(2)

        def stat(times):
            if not times:
                return "none shown"
            return "%.1f ms (%.1f-%.1f, %d runs)" % (statistics.median(times), min(times),
                                                    max(times), len(times))
        rows.append(("hotkey → overlay drawn, main window shown", stat(shown_times),
                     "window already minimized: " + stat(minimized_times)
                     if minimized_times else "–"))
        rows.append(("hotkey → main window off the screen (its place shows the desktop)",
                     stat(shown_gone), "–"))
        rows.append(("main window in any overlay's snapshot", "no" if clean_all else "YES", "–"))

        idle = fresh
        overlays = rss_mb(program.pid)
        image = (width * height * 4 + 54) / 1e6
        peak = idle
        for k in range(args.captures):
            count = server.recognitions()
            display.tap([CTRL, F7])
            wait_until(lambda: server.recognitions() > count, 10)
            time.sleep(1.0)
            peak = max(peak, rss_mb(program.pid))
        time.sleep(2)
        after = rss_mb(program.pid)
        received = server.recognitions()
        rows.append(("resident memory after %d whole-screen captures (%d recognitions in all)" % (
                         args.captures, received),
                     "%.1f MB, +%.1f MB = %.2f× the %.1f MB image (peak %.1f MB)" % (
                         after, after - idle, (after - idle) / image, image, peak),
                     "idle at start: %.1f MB; after the overlays: %.1f MB" % (idle, overlays)))

    finally:
        program.kill()
        server.stop()

    print("Screen %d x %d, %s. Load average: %s." % (
        width, height, ("openbox" if args.window_manager else "no window manager") +
        (" and picom" if args.compositor else ""),
        open("/proc/loadavg").read().split()[0]))
    print()
    print("| measure | figure | baseline, same run |")
    print("|---|---|---|")
    for row in rows:
        print("| %s | %s | %s |" % row)


if __name__ == "__main__":
    main()
