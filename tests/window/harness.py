"""Drives the real game in a real X window: a private Xvfb (one per test class), real X input
through xdotool and screenshots read back through ImageMagick; the error box is found by its
title and closed with its OK key. Every helper waits on a condition with a deadline instead of
sleeping for a fixed time, and every game started ends with its test, box child included."""

import ctypes
import ctypes.util
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

BINARY = os.environ.get("FROTHY_BINARY", "build/frothy")
DATA = os.environ.get("FROTHY_DATA", "build/data")
DATA_FILES = ("pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav", "b_data.dat")
CAPTION = "FROTHY!"
BOX_TITLE = "Frothy"  # the error box is titled after the program

# Where the title's controls are, and the polling wait: shared with the browser's driver
# (tools/web/browser.py) from tools/.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from screen import (CONTROLS, LEVEL_BOX, LEVEL_DOWN, LEVEL_UP, NOWHERE, RANKING,  # noqa: E402,F401
                    START, wait_until)


class Xvfb:
    """A private X server on a display number it picks itself."""

    def __init__(self, width=1024, height=768, display=None):
        """`display` (":57") asks for that display number instead of a free one."""
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb"] + ([display] if display else []) +
            ["-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as r:
            number = r.readline().strip()
        if not number:
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.size = (width, height)

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        return env

    def run(self, *args, check=True):
        return subprocess.run(list(args), env=self.env(), check=check, capture_output=True,
                              text=True)

    def viewable(self, name):
        """The id of a mapped top-level window of that exact name, or None."""
        # xwininfo tells whether the window is mapped, which a name search alone does not.
        r = self.run("xwininfo", "-name", name, check=False)
        if "IsViewable" not in r.stdout:
            return None
        for line in r.stdout.splitlines():
            if "Window id:" in line:
                return line.split()[3]
        return None

    def shot(self, window) -> "Shot":
        r = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"],
                           env=self.env(), capture_output=True, check=True)
        return Shot(r.stdout)

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


class Shot:
    """A screenshot as rows of 0xRRGGBB values."""

    def __init__(self, ppm: bytes):
        parts = []
        pos = 0
        while len(parts) < 4:  # magic, width, height, maxval, with comments allowed
            while ppm[pos:pos + 1].isspace():
                pos += 1
            if ppm[pos:pos + 1] == b"#":
                pos = ppm.index(b"\n", pos) + 1
                continue
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            parts.append(ppm[pos:end])
            pos = end
        assert parts[0] == b"P6", parts[0]
        self.width, self.height = int(parts[1]), int(parts[2])
        data = ppm[pos + 1:]
        self.rgb = data

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        r, g, b = self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]
        return r << 16 | g << 8 | b

    def region(self, x, y, w, h):
        return [[self.at(x + i, y + j) for i in range(w)] for j in range(h)]

    def pixels(self, x=0, y=0, w=None, h=None):
        w = self.width - x if w is None else w
        h = self.height - y if h is None else h
        return [p for row in self.region(x, y, w, h) for p in row]

    def brightest(self, x, y, w, h):
        """The brightest pixel of a box, by the sum of its channels."""
        return max(self.pixels(x, y, w, h), key=lambda p: (p >> 16) + (p >> 8 & 255) + (p & 255))


def first_title_frame(shot):
    # Every title frame writes the level digit in white into the dark level box; before the
    # first frame the window is one flat colour. An anti-aliased digit need not have a pixel
    # of pure white, so a bright one will do.
    pixels = shot.pixels(*LEVEL_BOX)
    return any(p & 0xC0C0C0 == 0xC0C0C0 for p in pixels) and len(set(pixels)) > 1


class Game:
    """The game binary in a play folder of its own, on a given X server. It runs in a process
    group of its own, so that closing it also ends an error box's child process."""

    def __init__(self, x: Xvfb, folder=None, files=None, audio="dummy", extra_env=None,
                 command=None):
        """`command` runs the game another way than BINARY (under Wine, say)."""
        self.x = x
        self.own_folder = folder is None
        self.folder = folder or tempfile.mkdtemp(prefix="frothy_window_")
        if files is None:
            files = DATA_FILES
        for name in files:
            if not os.path.lexists(os.path.join(self.folder, name)):
                shutil.copy(os.path.join(DATA, name), self.folder)
        env = x.env()
        env["SDL_AUDIODRIVER"] = audio
        if audio == "disk":
            env["SDL_DISKAUDIOFILE"] = os.path.join(self.folder, "audio.raw")
            env["SDL_DISKAUDIODELAY"] = "1"
        env.update(extra_env or {})
        self.proc = subprocess.Popen(command or [os.path.abspath(BINARY)], cwd=self.folder, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     start_new_session=True)
        self.window = None
        self.title = None  # the first title frame, once wait_shown has seen it

    def path(self, name):
        return os.path.join(self.folder, name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def stderr(self):
        """What the game wrote to stderr; only once it has ended."""
        if self.proc.poll() is None:
            return ""
        return self.proc.stderr.read().decode(errors="replace")

    def find_window(self, name=CAPTION, timeout=10.0):
        def look():
            if self.proc.poll() is not None:
                raise AssertionError(f"the game ended with {self.proc.returncode}: {self.stderr()}")
            return self.x.viewable(name)
        self.window = wait_until(look, timeout, f"window {name!r}")
        return self.window

    def wait_shown(self, timeout=10.0, ready=None):
        """Waits for the window and its first presented frame (not the blank background, which
        is the black of the root window). `ready` tells the first frame of a picture of one's
        own; the default one knows the title of the default picture."""
        self.find_window(timeout=timeout)
        ready = ready or first_title_frame
        self.title = wait_until(lambda: (lambda s: s if ready(s) else None)(self.shot()),
                                timeout, "the first frame")
        return self.title

    def geometry(self, window=None):
        out = self.x.run("xwininfo", "-id", window or self.window).stdout
        info = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    info[key] = int(line.split(":")[1])
        return info

    def shot(self) -> Shot:
        return self.x.shot(self.window)

    def wait_pixels(self, predicate, timeout=5.0, what="pixels"):
        return wait_until(lambda: (lambda s: s if predicate(s) else None)(self.shot()),
                          timeout, what)

    def move(self, x, y):
        self.x.run("xdotool", "mousemove", "--window", self.window, str(x), str(y))

    def click(self, x, y, button=1):
        self.move(x, y)
        self.x.run("xdotool", "click", str(button))

    def key(self, name):
        self.x.run("xdotool", "windowfocus", "--sync", self.window)
        self.x.run("xdotool", "key", name)

    # --- the error box ---------------------------------------------------------------------

    def find_box(self, timeout=10.0):
        """The error box's window, once it shows; fails if the game ends first."""
        def look():
            box = self.x.viewable(BOX_TITLE)
            if box:
                return box
            if self.proc.poll() is not None:
                raise AssertionError(f"the game ended with {self.proc.returncode} "
                                     f"without an error box: {self.stderr()}")
            return None
        return wait_until(look, timeout, "the error box")

    def box_text_pixels(self, box):
        """How many pixels of the box's message area differ from its background: the box
        draws its text, so this is how the tests know there is a readable message."""
        shot = wait_until(lambda: self._drawn_box(box), 5, "the box drawn")
        # The message sits above the OK button, which takes the bottom 40 rows or so.
        area = shot.pixels(0, 0, shot.width, max(1, shot.height - 45))
        ground = max(set(area), key=area.count)
        return sum(1 for p in area if p != ground)

    def _drawn_box(self, box):
        shot = self.x.shot(box)
        return shot if len(set(shot.pixels())) > 2 else None

    def close_box(self, box, timeout=10.0):
        """Presses Return in the box (its OK button) and waits until it has gone."""
        self.x.run("xdotool", "key", "--window", box, "Return")
        wait_until(lambda: self.x.viewable(BOX_TITLE) != box, timeout, "the box gone")

    # --- the end ---------------------------------------------------------------------------

    def request_close(self):
        """What a window manager's close button sends: a WM_DELETE_WINDOW client message. No
        window manager runs here, so the test sends it itself, through Xlib."""
        send_delete_window(self.x.display, int(self.window, 16))

    def wait_exit(self, timeout=10.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the game did not end")

    def signal(self, sig=signal.SIGTERM):
        self.proc.send_signal(sig)

    def close(self):
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
        else:
            # The game has ended; a box child it left behind must not outlive the test.
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except (ProcessLookupError, PermissionError):
                pass
        self.proc.stdout.close()
        self.proc.stderr.close()
        if self.own_folder:
            remove_folder(self.folder)


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display, window):
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_Event)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise RuntimeError(f"cannot open display {display}")
    try:
        event = _Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
        x11.XFlush(dpy)
    finally:
        x11.XCloseDisplay(dpy)


def remove_folder(folder):
    shutil.rmtree(folder, ignore_errors=True)


class GameTest(unittest.TestCase):
    """One X server for the tests of a class; every game a test starts ends with that test."""

    @classmethod
    def setUpClass(cls):
        cls.x = Xvfb()
        cls.addClassCleanup(cls.x.close)

    def play_folder(self, contents=None):
        """A temporary play folder holding `contents` (name -> bytes), removed after the test;
        the game copies the default data for every other file."""
        folder = tempfile.mkdtemp(prefix="frothy_window_")
        self.addCleanup(remove_folder, folder)
        for name, data in (contents or {}).items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        return folder

    def start(self, shown=True, **kw):
        # The last test's game has been killed; its windows go with its connection.
        wait_until(lambda: not self.x.viewable(CAPTION) and not self.x.viewable(BOX_TITLE), 10,
                   "the windows of the last game gone")
        # The pointer away from the window, so that the first frame has no control lit.
        self.x.run("xdotool", "mousemove", "0", "0")
        game = Game(self.x, **kw)
        self.addCleanup(game.close)
        if shown:
            game.wait_shown()
        return game


def loudest(path, start=0):
    """The loudest 16-bit sample in a raw audio file from byte `start` on."""
    with open(path, "rb") as f:
        f.seek(start)
        raw = f.read()
    n = len(raw) // 2
    samples = struct.unpack(f"<{n}h", raw[:2 * n])
    return max((abs(s) for s in samples), default=0)
