"""The browser build in a real Chromium: the page, its input, its record across visits and its
error report."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

# The page's driver, shared with the browser's meter and screenshot tools.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                                "web"))
import browser  # noqa: E402
from browser import (FIELD, HEIGHT, LEVEL_BOX, LEVEL_UP, PANEL, RANKING, START, WIDTH, Page,
                     Server, copy_site, record, wait_until)


def desktop_title_with_start_lit():
    """The desktop's rendering of the title with the pointer on START, as RGB bytes."""
    out = tempfile.mkdtemp(prefix="frothy-render-")
    try:
        subprocess.run([os.path.abspath(os.environ["FROTHY_RENDER_SCREENS"]), out],
                       cwd=os.environ["FROTHY_WEB_DATA"], check=True, capture_output=True,
                       env=dict(os.environ, SDL_AUDIODRIVER="dummy"))
        return subprocess.run(["convert", os.path.join(out, "title.png"), "-depth", "8", "rgb:-"],
                              check=True, capture_output=True).stdout
    finally:
        shutil.rmtree(out)


def page_region(frame, region):
    """The bytes of `region` (x, y, w, h) cut from a whole RGB frame."""
    x, y, w, h = region
    return b"".join(frame[((y + r) * WIDTH + x) * 3:((y + r) * WIDTH + x + w) * 3] for r in range(h))


class WebTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = copy_site()
        cls.server = Server(cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.server.close()
        shutil.rmtree(cls.folder)

    def open(self, server=None):
        page = Page((server or self.server).url())
        self.addCleanup(page.close)
        return page

    def test_title_is_the_desktops_frame_and_start_lights_under_the_pointer(self):
        page = self.open()
        self.assertEqual(page.state(), "running")
        page.wait_ticks(2)
        unlit = page.canvas()
        page.move(*START)
        desktop = desktop_title_with_start_lit()
        self.assertEqual(len(desktop), WIDTH * HEIGHT * 3)
        lit = page.wait_canvas(lambda px: px == desktop, what="the desktop's title frame")
        self.assertNotEqual(unlit, lit, "START lights only under the pointer")
        self.assertEqual(page.errors(), [])

    def test_play_merge_and_escape(self):
        page = self.open()
        page.wait_ticks(2)
        title = page.canvas()
        page.click(*START)
        field = page.wait_canvas(lambda px: px != page_region(title, FIELD), FIELD, what="the field")
        page.wait_canvas(lambda px: px != field, FIELD, what="bubbles moving")
        panel = page.canvas(*PANEL)
        # Click over the field until a click lands on an overlap: the clock starts and the panel
        # shows it counting.
        points = [(x, y) for y in range(30, 380, 23) for x in range(30, 380, 29)]
        started = False
        for i in range(len(points) * 2):
            page.click(*points[(i * 7) % len(points)])
            if i % 10 == 9:
                try:
                    page.wait_canvas(lambda px: px != panel, PANEL, timeout=1.3, what="the clock")
                    started = True
                    break
                except AssertionError:
                    pass
        self.assertTrue(started, "no click merged bubbles and started the clock")
        page.escape()
        page.move(0, 0)
        page.wait_canvas(lambda px: px == title, what="the title again")
        self.assertEqual(page.errors(), [])

    def test_any_button_latches_a_click_and_the_context_menu_stays_shut(self):
        page = self.open()
        page.wait_ticks(2)
        page.js("window.menuShown = null; document.addEventListener('contextmenu',"
                " e => { window.menuShown = !e.defaultPrevented; });")
        panel = page.canvas(*PANEL)
        page.click(*START, button="right")
        page.wait_canvas(lambda px: px != panel, PANEL, what="the play screen's panel")
        self.assertIs(page.js("return window.menuShown"), False)

    def test_level_survives_a_reload_and_escape_on_the_title_ends_the_game(self):
        page = self.open()
        page.wait_ticks(2)
        level1 = page.canvas(*LEVEL_BOX)
        page.click(*LEVEL_UP)
        page.move(0, 0)
        level2 = page.wait_canvas(lambda px: px != level1, LEVEL_BOX, what="level 2")
        page.escape()
        wait_until(lambda: page.state() == "ended", 5, "the end screen")
        self.assertTrue(page.js("return !document.getElementById('ended').hidden"))
        self.assertTrue(page.js("return document.getElementById('canvas').hidden"))
        page.reload()
        page.wait_canvas(lambda px: px == level2, LEVEL_BOX, what="level 2 after the reload")
        self.assertEqual(page.errors(), [])

    def test_times_of_an_earlier_visit_show_on_the_ranking(self):
        page = self.open()
        page.wait_ticks(2)
        title = page.canvas()
        page.click(*RANKING)
        empty = page.wait_canvas(lambda px: px != title, what="the ranking")
        page.click(300, 200)  # back to the title
        page.move(0, 0)
        page.escape()
        wait_until(lambda: page.state() == "ended", 5, "the end screen")
        # Times left by an earlier visit, put where the page keeps its record (emscripten's
        # IndexedDB file system: one database per folder, one entry per file).
        stored = page.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const bytes = new Uint8Array(arguments[0]);
            const open = indexedDB.open('/saved', 21);
            open.onsuccess = () => {
              const tx = open.result.transaction(['FILE_DATA'], 'readwrite');
              tx.objectStore('FILE_DATA').put(
                  {timestamp: new Date(), mode: 33206, contents: bytes}, '/saved/b_data.dat');
              tx.oncomplete = () => { open.result.close(); done(true); };
              tx.onerror = () => done(false);
            };
            open.onerror = () => done(false);""", list(record(1, (31, 47, 112))))
        self.assertTrue(stored)
        page.reload()
        page.wait_ticks(2)
        page.click(*RANKING)
        page.wait_canvas(lambda px: px != empty, what="the ranking with the earlier times")
        self.assertEqual(page.errors(), [])


class DamagedDataTest(unittest.TestCase):
    def test_damaged_sprite_sheet_shows_the_error_dialog(self):
        with open(os.path.join(os.environ["FROTHY_WEB_DATA"], "pic.bmp"), "rb") as f:
            pic = f.read()
        folder = copy_site(pic_bmp=pic[:5000])
        server = Server(folder)
        try:
            page = Page(server.url())
            try:
                self.assertEqual(page.state(), "failed")
                self.assertTrue(page.js("return document.getElementById('error').open"))
                self.assertEqual(page.js(
                    "return document.getElementById('error-title').textContent"), "Frothy")
                text = page.js("return document.getElementById('error-text').textContent")
                self.assertIn("pic.bmp", text)
                self.assertIn("pic.bmp", text)
            finally:
                page.close()
        finally:
            server.close()
            shutil.rmtree(folder)


class ArithmeticTest(unittest.TestCase):
    def test_the_browser_build_plays_the_desktops_games(self):
        """The same fixed games, tick for tick: positions, velocities and merges are worked out
        in software in the browser build and by the x87 unit on the desktop."""
        web = os.environ.get("FROTHY_WEB_REPLAY_DIGEST", "")
        if not os.path.exists(web):
            self.skipTest(f"no replay_digest.js from the browser build at {web!r}")
        desktop = subprocess.run([os.environ["FROTHY_REPLAY_DIGEST"]], check=True,
                                 capture_output=True, text=True).stdout
        browser_build = subprocess.run(["node", web], check=True, capture_output=True,
                                       text=True).stdout
        self.assertEqual(len(desktop.splitlines()), 30)
        self.assertEqual(browser_build, desktop)


if __name__ == "__main__":
    unittest.main()
