"""The game's page in a real headless Chromium (Debian's chromium and chromedriver, driven by
Selenium), served from a private copy of the site by the site's own static server
(tools/web/serve.py: precompressed files, cache headers). Helpers wait on conditions with
deadlines, never for fixed times."""

import base64
import os
import shutil
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
from screen import (LEVEL_BOX, LEVEL_UP, NOWHERE, RANKING, START, record,  # noqa: E402,F401
                    wait_until)
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import serve  # noqa: E402

SITE = os.environ.get("FROTHY_SITE", "build-web/site")
WIDTH, HEIGHT = 600, 399
FIELD = (0, 0, 399, 399)
PANEL = (400, 0, 200, 399)


class Server:
    """The site's static server on a free localhost port for one folder."""

    def __init__(self, folder):
        self.httpd = serve.make_server(folder, log=False)
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
                        "frothy.data", "--js-output=frothy-data.js", "--preload", *args],
                       cwd=folder, check=True, capture_output=True)
        shutil.rmtree(data)
        # The server would send the built package's compressed copies in its place.
        for name in os.listdir(folder):
            if name.startswith(("frothy.data.", "frothy-data.js.")):
                os.remove(os.path.join(folder, name))
    return folder


class Page:
    """One Chromium with a fresh profile, on one page of the game. `device` (width, height,
    device pixel ratio) makes it a touch screen of that size; `init_script` runs in the page
    before the page's own scripts."""

    def __init__(self, url, device=None, init_script=None, network=None):
        self.profile = tempfile.mkdtemp(prefix="frothy-profile-")
        self.url = url
        self.device = device
        self.init_script = init_script
        self.network = network  # (latency ms, download and upload bytes a second), a meter's
        self.logs = []
        self.start()
        self.load()

    def start(self):
        options = webdriver.ChromeOptions()
        options.binary_location = os.environ.get("FROTHY_CHROMIUM", "/usr/bin/chromium")
        for a in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=900,700",
                  "--force-device-scale-factor=1", f"--user-data-dir={self.profile}",
                  "--disable-background-timer-throttling", "--mute-audio"):
            options.add_argument(a)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        service = Service(os.environ.get("FROTHY_CHROMEDRIVER", "/usr/bin/chromedriver"))
        self.driver = webdriver.Chrome(service=service, options=options)
        self.prepare_tab()

    def prepare_tab(self):
        if self.device:
            width, height, ratio = self.device
            self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": True})
            self.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                                        {"enabled": True, "maxTouchPoints": 5})
        if self.network:
            latency, down, up = self.network
            self.driver.execute_cdp_cmd("Network.enable", {})
            self.driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
                "offline": False, "latency": latency, "downloadThroughput": down,
                "uploadThroughput": up})
        if self.init_script:
            self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                        {"source": self.init_script})

    def load(self, until=lambda state: state != "loading"):
        self.driver.get(self.url)
        return wait_until(lambda: until(self.state()), 60 if self.network else 20,
                          "the game to start")

    def restart(self):
        """Quits the browser, as a player does, and opens the page again in the same profile."""
        self.driver.quit()
        self.start()
        self.load()

    def new_tab(self):
        """Opens the page in a second tab of the same browser and switches to it."""
        self.driver.switch_to.new_window("tab")
        self.prepare_tab()
        self.driver.get(self.url)
        wait_until(lambda: self.state() != "loading", 20, "the second tab to settle")
        return self.driver.current_window_handle

    def tap(self, x, y):
        """A touch at client pixel (x, y), then frame steps to judge it."""
        r = self.js("const c = document.getElementById('canvas');"
                    "const r = c.getBoundingClientRect();"
                    "return [r.left, r.top, r.width / c.width, r.height / c.height];")
        point = {"x": r[0] + (x + 0.5) * r[2], "y": r[1] + (y + 0.5) * r[3]}
        self.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                    {"type": "touchStart", "touchPoints": [point]})
        self.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                    {"type": "touchEnd", "touchPoints": []})
        self.wait_ticks(2)

    def saved_record(self):
        """The record the page keeps in its synchronous store, or None."""
        text = self.js("const s = localStorage.getItem('frothy-record');"
                       "return s === null ? null : JSON.parse(s).record;")
        return None if text is None else bytes.fromhex(text)

    def put_record(self, data):
        """Puts a record where the page keeps it, newer than any it holds (for the next load)."""
        self.js("localStorage.setItem('frothy-record', JSON.stringify("
                "{seq: 1e9, record: arguments[0]}));", data.hex())

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
        """The viewport point (CSS pixels) at the middle of client pixel (x, y), whatever the
        page's scale."""
        r = self.js("const c = document.getElementById('canvas');"
                    "const r = c.getBoundingClientRect();"
                    "return [r.left, r.top, r.width / c.width, r.height / c.height];")
        return round(r[0] + (x + 0.5) * r[2]), round(r[1] + (y + 0.5) * r[3])

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
