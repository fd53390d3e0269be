"""Drives the real game in a real X window: a private Xvfb, real X input through xdotool and
screenshots read back through ImageMagick. Every helper waits on a condition with a deadline
instead of sleeping for a fixed time."""

import os
import shutil
import signal
import subprocess
import tempfile
import time

BINARY = os.environ.get("FROTHY_BINARY", "build/frothy")
DATA = os.environ.get("FROTHY_DATA", "build/data")
DATA_FILES = ("pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav", "b_data.dat")


def wait_until(condition, timeout=10.0, what="condition"):
    """Polls `condition` until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.02)


class Xvfb:
    """A private X server on a display number it picks itself."""

    def __init__(self, width=1024, height=768):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
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


class Game:
    """The game binary in a play folder of its own, on a given X server."""

    def __init__(self, x: Xvfb, folder=None, files=None, audio="dummy", extra_env=None):
        self.x = x
        self.own_folder = folder is None
        self.folder = folder or tempfile.mkdtemp(prefix="frothy_window_")
        if files is None:
            files = DATA_FILES
        for name in files:
            if not os.path.exists(os.path.join(self.folder, name)):
                shutil.copy(os.path.join(DATA, name), self.folder)
        env = x.env()
        env["SDL_AUDIODRIVER"] = audio
        if audio == "disk":
            env["SDL_DISKAUDIOFILE"] = os.path.join(self.folder, "audio.raw")
            env["SDL_DISKAUDIODELAY"] = "1"
        env.update(extra_env or {})
        self.proc = subprocess.Popen([os.path.abspath(BINARY)], cwd=self.folder, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.window = None

    def path(self, name):
        return os.path.join(self.folder, name)

    def find_window(self, name="FROTHY!", timeout=10.0):
        def look():
            if self.proc.poll() is not None:
                raise AssertionError(f"the game ended with {self.proc.returncode}: "
                                     f"{self.proc.stderr.read().decode(errors='replace')}")
            # xwininfo reads the UTF-8 title that SDL sets; xdotool's name search does not.
            r = self.x.run("xwininfo", "-name", name, check=False)
            for line in r.stdout.splitlines():
                if "Window id:" in line and "IsViewable" in r.stdout:
                    return line.split()[3]
            return None
        self.window = wait_until(look, timeout, f"window {name!r}")
        return self.window

    def wait_shown(self):
        """Waits for the window and its first presented frame (not the blank background)."""
        self.find_window()
        return wait_until(lambda: self._first_frame(), 10, "the first frame")

    def _first_frame(self):
        # Every title frame writes the level digit in white into the level box.
        s = self.shot()
        box = s.region(218, 313, 36, 18)
        pixels = [p for row in box for p in row]
        return s if 0xFFFFFF in pixels and any(p != 0xFFFFFF for p in pixels) else None

    def geometry(self):
        out = self.x.run("xwininfo", "-id", self.window).stdout
        info = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    info[key] = int(line.split(":")[1])
        return info

    def shot(self) -> Shot:
        r = subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"],
                           env=self.x.env(), capture_output=True, check=True)
        return Shot(r.stdout)

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

    def wait_exit(self, timeout=10.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the game did not end")

    def signal(self, sig=signal.SIGTERM):
        self.proc.send_signal(sig)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()
        if self.own_folder:
            shutil.rmtree(self.folder, ignore_errors=True)
