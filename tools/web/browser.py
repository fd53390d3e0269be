"""The game's page in a real headless Chromium (Debian's chromium and chromedriver, driven by
Selenium), served from a private copy of the site by Python's own HTTP server. Helpers wait on
conditions with deadlines, never for fixed times."""

import base64
import functools
import http.server
import math
import os
import shutil
import socketserver
import struct
import subprocess
import sys
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.keys import Keys

# The title controls and the polling wait are the desktop window suite's too.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from screen import LEVEL_BOX, LEVEL_UP, RANKING, START, wait_until  # noqa: E402,F401

SITE = os.environ.get("FROTHY_SITE", "build-web/site")
WIDTH, HEIGHT = 600, 399
FIELD = (0, 0, 399, 399)
PANEL = (400, 0, 200, 399)


class _Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class Server:
    """A static server on a free localhost port for one folder."""

    def __init__(self, folder):
        handler = functools.partial(_Quiet, directory=folder)
        self.httpd = socketserver.ThreadingTCPServer(("127.0.0.1", 0), handler)
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path="index.html"):
        return f"http://127.0.0.1:{self.port}/{path}"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def copy_site(pic_bmp=None):
    """A private copy of the site; with `pic_bmp`, its data package holds that sprite sheet
    instead (packed by emscripten's own packager, as the build does)."""
    folder = tempfile.mkdtemp(prefix="frothy-site-")
    for name in os.listdir(SITE):
        shutil.copy(os.path.join(SITE, name), folder)
    if pic_bmp is not None:
        data = tempfile.mkdtemp(prefix="frothy-data-")
        with open(os.path.join(data, "pic.bmp"), "wb") as f:
            f.write(pic_bmp)
        packed = os.environ["FROTHY_WEB_DATA"]
        args = [f"{os.path.join(data, 'pic.bmp')}@/frothy/pic.bmp"]
        for name in ("snd1.wav", "snd2.wav", "snd3.wav", "b_data.dat"):
            args.append(f"{os.path.join(packed, name)}@/frothy/{name}")
        args.append(f"{os.environ['FROTHY_FONT']}@/font/face.ttf")
        subprocess.run(["python3", os.environ.get("FROTHY_FILE_PACKAGER",
                                                  "/usr/share/emscripten/tools/file_packager.py"),
                        "frothy.data", "--lz4", "--js-output=frothy-data.js", "--preload", *args],
                       cwd=folder, check=True, capture_output=True)
        shutil.rmtree(data)
    return folder


class Page:
    """One Chromium with a fresh profile, on one page of the game."""

    def __init__(self, url):
        options = webdriver.ChromeOptions()
        options.binary_location = os.environ.get("FROTHY_CHROMIUM", "/usr/bin/chromium")
        self.profile = tempfile.mkdtemp(prefix="frothy-profile-")
        for a in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=900,700",
                  "--force-device-scale-factor=1", f"--user-data-dir={self.profile}",
                  "--disable-background-timer-throttling", "--mute-audio"):
            options.add_argument(a)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        service = Service(os.environ.get("FROTHY_CHROMEDRIVER", "/usr/bin/chromedriver"))
        self.driver = webdriver.Chrome(service=service, options=options)
        self.url = url
        self.logs = []
        self.load()

    def load(self):
        self.driver.get(self.url)
        return wait_until(lambda: self.state() != "loading", 20, "the game to start")

    def reload(self):
        self.driver.refresh()
        return wait_until(lambda: self.state() != "loading", 20, "the game to start again")

    def state(self):
        return self.driver.execute_script(
            "return typeof frothyPage === 'undefined' ? 'loading' : frothyPage.state")

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def console(self):
        self.logs += self.driver.get_log("browser")
        return self.logs

    def errors(self):
        return [e for e in self.console() if e["level"] == "SEVERE"]

    def canvas(self, x=0, y=0, w=WIDTH, h=HEIGHT):
        """The canvas's pixels as RGB bytes, row by row."""
        b64 = self.js("""
            const [x, y, w, h] = arguments;
            const c = document.getElementById('canvas');
            const d = c.getContext('2d').getImageData(x, y, w, h).data;
            let s = '';
            for (let i = 0; i < d.length; i += 4)
              s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
            return btoa(s);""", x, y, w, h)
        return base64.b64decode(b64)

    def wait_canvas(self, predicate, region=(0, 0, WIDTH, HEIGHT), timeout=5.0, what="canvas"):
        try:
            return wait_until(
                lambda: (lambda px: px if predicate(px) else None)(self.canvas(*region)),
                timeout, what)
        except AssertionError:
            shot = os.environ.get("FROTHY_FAILED_SHOT")
            if shot:
                self.driver.save_screenshot(shot)
            raise

    def _viewport(self, x, y):
        r = self.js("const r = document.getElementById('canvas').getBoundingClientRect();"
                    "return [r.left, r.top];")
        return math.ceil(r[0] + x), math.ceil(r[1] + y)

    def move(self, x, y):
        vx, vy = self._viewport(x, y)
        # At once: a move drawn out over time would sweep the pointer over other controls.
        actions = ActionBuilder(self.driver, duration=0)
        actions.pointer_action.move_to_location(vx, vy)
        actions.perform()

    def click(self, x, y, button="left"):
        """Presses and releases at (x, y), then lets frame steps judge the click there: the game
        judges a click where the pointer is when the step runs."""
        vx, vy = self._viewport(x, y)
        actions = ActionBuilder(self.driver, duration=0)
        actions.pointer_action.move_to_location(vx, vy)
        if button == "left":
            actions.pointer_action.click()
        else:
            actions.pointer_action.context_click()
        actions.perform()
        self.wait_ticks(2)

    def escape(self):
        ActionChains(self.driver).send_keys(Keys.ESCAPE).perform()

    def ticks(self):
        return self.js("return Module._frothy_step_count()")

    def wait_ticks(self, n):
        first = self.ticks()
        wait_until(lambda: self.ticks() >= first + n, 5, f"{n} frame steps")

    def close(self):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)


def record(level, level1_times=()):
    """A 204-byte record file: level 1's times first, every other place empty."""
    ranks = [-1] * 50
    for i, t in enumerate(level1_times):
        ranks[i] = t
    return struct.pack("<51i", *ranks, level)
