"""The browser build in a real Chromium: the page, its input, its record across visits and its
error report."""

import os
import shutil
import subprocess
import sys
import time
import unittest

# The page's driver, shared with the browser's meter and screenshot tools.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                                "web"))
import browser  # noqa: E402
import screen  # noqa: E402
from screen import region as page_region  # noqa: E402
from browser import (FIELD, HEIGHT, LEVEL_BOX, LEVEL_UP, NOWHERE, PANEL, RANKING, START,  # noqa: E402
                     WIDTH, Page, Server, copy_site, record, wait_until)


def desktop_frames(stored):
    """The desktop's frames from the data the site was packed with and `stored` as the record."""
    return screen.desktop_frames(os.environ["FROTHY_RENDER_SCREENS"], os.environ["FROTHY_WEB_DATA"],
                                 stored)


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

    def test_the_title_and_a_ranking_are_the_desktops_frames_and_start_lights_under_the_pointer(self):
        page = self.open()
        self.assertEqual(page.state(), "running")
        page.wait_ticks(2)
        unlit = page.canvas()
        page.move(*START)
        desktop = desktop_frames(screen.RANKED)
        self.assertEqual(len(desktop["title"]), WIDTH * HEIGHT * 3)
        lit = page.wait_canvas(lambda px: px == desktop["title"], what="the desktop's title frame")
        self.assertNotEqual(unlit, lit, "START lights only under the pointer")
        # Times in every column and of every length, letter for letter where the desktop's are.
        page.put_record(screen.RANKED)
        page.reload()
        page.wait_ticks(2)
        page.click(*RANKING)
        page.wait_canvas(lambda px: px == page_region(desktop["stored-ranking"], FIELD), FIELD,
                         what="the desktop's ranking")
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
        self.assertTrue(page.js("return document.getElementById('game').hidden"))
        page.reload()
        page.wait_canvas(lambda px: px == level2, LEVEL_BOX, what="level 2 after the reload")
        self.assertEqual(page.errors(), [])

    def test_times_of_an_earlier_visit_show_on_the_ranking(self):
        # Where an earlier visit left them: the page's own store, or the IndexedDB file system
        # (one database per folder, one entry per file) that builds before it kept the record
        # in, taken over while the page's store holds none yet.
        def page_store(page):
            page.put_record(record(1, (31, 47, 112)))

        def file_system_of_an_earlier_build(page):
            self.assertTrue(page.driver.execute_async_script("""
                const done = arguments[arguments.length - 1];
                const bytes = new Uint8Array(arguments[0]);
                const open = indexedDB.open('/saved', 21);
                open.onupgradeneeded = () => open.result.createObjectStore('FILE_DATA');
                open.onsuccess = () => {
                  const tx = open.result.transaction(['FILE_DATA'], 'readwrite');
                  tx.objectStore('FILE_DATA').put(
                      {timestamp: new Date(), mode: 33206, contents: bytes}, '/saved/b_data.dat');
                  tx.oncomplete = () => { open.result.close(); done(true); };
                  tx.onerror = () => done(false);
                };
                open.onerror = () => done(false);""", list(record(1, (31, 47, 112)))))

        for put in (page_store, file_system_of_an_earlier_build):
            with self.subTest(put.__name__):
                page = self.open()
                page.wait_ticks(2)
                title = page.canvas()
                page.click(*RANKING)
                empty = page.wait_canvas(lambda px: px != title, what="the ranking")
                page.click(300, 200)  # back to the title
                page.move(0, 0)
                put(page)
                page.reload()
                page.wait_ticks(2)
                page.click(*RANKING)
                page.wait_canvas(lambda px: px != empty, what="the ranking with the earlier times")
                self.assertEqual(page.errors(), [])

    def test_quitting_without_escape_keeps_the_level_and_a_finished_time(self):
        """Nothing waits for the page's last moments: the time is saved as it enters the table
        and the level as it changes, and a browser quit without Escape loses neither."""
        page = self.open()
        page.wait_ticks(2)
        self.assertIsNone(page.saved_record(), "a first visit has saved nothing yet")
        page.click(*START)
        # Merge where bubbles overlap until one is left: the finishing time enters the table.
        # The game itself names the points (the bubbles move on before the click lands).
        deadline = time.monotonic() + 240
        while page.saved_record() is None:
            self.assertLess(time.monotonic(), deadline, "no finishing time entered the table")
            point = page.js("return Module._frothy_merge_point()")
            if point >= 0:
                page.click(point % 65536, point // 65536)
            else:
                page.wait_ticks(1)
        finished = page.saved_record()
        self.assertNotEqual(finished[0:4], b"\xff" * 4, "a time in level 1's first place")
        page.escape()  # back to the title, which saves nothing
        page.wait_ticks(2)
        level1 = page.canvas(*LEVEL_BOX)
        page.click(*LEVEL_UP)
        page.move(0, 0)
        level2 = page.wait_canvas(lambda px: px != level1, LEVEL_BOX, what="level 2")
        self.assertEqual(page.saved_record(), finished[:200] + record(2)[200:])
        page.restart()
        page.wait_canvas(lambda px: px == level2, LEVEL_BOX, what="level 2 after the restart")
        self.assertEqual(page.saved_record(), finished[:200] + record(2)[200:])
        page.wait_ticks(2)
        title = page.canvas()
        page.click(*RANKING)
        ranking = page.wait_canvas(lambda px: px != title, what="the ranking")
        page.put_record(record(1))
        page.reload()
        page.wait_ticks(2)
        page.click(*RANKING)
        page.wait_canvas(lambda px: px != ranking, what="the ranking without the time")

    def test_a_second_tab_takes_over_and_nothing_either_saved_is_lost(self):
        page = self.open()
        first = page.driver.current_window_handle
        page.wait_ticks(2)
        level1 = page.canvas(*LEVEL_BOX)
        page.click(*LEVEL_UP)
        page.move(0, 0)
        level2 = page.wait_canvas(lambda px: px != level1, LEVEL_BOX, what="level 2")
        second = page.new_tab()
        self.assertEqual(page.state(), "waiting")
        self.assertIn("FROTHY! is already running in another tab.",
                      page.js("return document.getElementById('elsewhere').textContent"))
        page.driver.find_element("id", "take-over").click()
        wait_until(lambda: page.state() == "running", 20, "the second tab to play")
        page.wait_canvas(lambda px: px == level2, LEVEL_BOX, what="level 2 in the second tab")
        page.click(*LEVEL_UP)
        page.move(0, 0)
        level3 = page.wait_canvas(lambda px: px != level2, LEVEL_BOX, what="level 3")
        page.driver.switch_to.window(first)
        self.assertEqual(page.state(), "ended")
        self.assertFalse(page.js("return document.getElementById('moved').hidden"))
        # One click takes the game back while the second tab still plays, with what it saved.
        page.driver.find_element("id", "play-here").click()
        wait_until(lambda: page.state() == "running", 20, "the first tab to play again")
        page.wait_canvas(lambda px: px == level3, LEVEL_BOX, what="level 3 in the first tab")
        self.assertEqual(page.errors(), [])
        page.driver.switch_to.window(second)
        self.assertEqual(page.state(), "ended")
        page.driver.close()
        page.driver.switch_to.window(first)
        # A tab that waits plays, unasked, once the tab that played closes.
        third = page.new_tab()
        self.assertEqual(page.state(), "waiting")
        page.driver.switch_to.window(first)
        page.driver.close()
        page.driver.switch_to.window(third)
        wait_until(lambda: page.state() == "running", 20, "the waiting tab to play")
        page.wait_canvas(lambda px: px == level3, LEVEL_BOX, what="level 3 in the waiting tab")

    def test_a_phone_shows_the_game_across_its_width_and_a_tap_plays(self):
        page = Page(self.server.url(), device=(390, 844, 3))
        self.addCleanup(page.close)
        layout = page.js("""
            const r = document.getElementById('canvas').getBoundingClientRect();
            const d = document.documentElement;
            return [r.left, r.top, r.width, r.height, d.scrollWidth, d.scrollHeight,
                    innerWidth, innerHeight];""")
        left, top, width, height, scroll_w, scroll_h, vw, vh = layout
        self.assertGreaterEqual(width, 0.9 * vw)
        self.assertAlmostEqual(width / height, WIDTH / HEIGHT, delta=0.01)
        self.assertTrue(left >= 0 and top >= 0 and left + width <= vw and top + height <= vh)
        self.assertLessEqual((scroll_w, scroll_h), (vw, vh), "the page overflows")
        self.assertEqual(page.js("return getComputedStyle(document.getElementById('canvas'))"
                                 ".touchAction"), "none")
        page.wait_ticks(2)
        title = page.canvas()
        page.tap(*START)
        page.wait_canvas(lambda px: px != page_region(title, PANEL), PANEL, what="the play screen")
        # The control beside the game does what Escape does: back to the title.
        escape = page.driver.find_element("id", "escape")
        self.assertEqual(escape.text, "Back to the title")
        escape.click()
        page.tap(*NOWHERE)  # the pointer off START; a tap away from the controls is dropped
        page.wait_canvas(lambda px: px == page_region(title, FIELD), FIELD, what="the title")
        wait_until(lambda: escape.text == "Quit", 5, "the control to offer to quit")
        # Turned on its side, the game still fits.
        page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 844, "height": 390, "deviceScaleFactor": 3, "mobile": True})
        wait_until(lambda: page.js(
            "const r = document.getElementById('canvas').getBoundingClientRect();"
            "return r.bottom <= innerHeight && r.right <= innerWidth && r.height >= 0.8 * innerHeight;"),
            5, "the game to fit the turned screen")
        self.assertEqual(page.errors(), [])

    def test_a_reload_after_one_visit_plays_offline(self):
        folder = copy_site()
        server = Server(folder)
        self.addCleanup(shutil.rmtree, folder)
        page = Page(server.url())
        self.addCleanup(page.close)
        page.driver.set_script_timeout(20)
        self.assertTrue(page.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            navigator.serviceWorker.ready.then(() => done(true), () => done(false));"""))
        server.close()
        page.reload()
        self.assertEqual(page.state(), "running")
        page.wait_ticks(2)
        title = page.canvas()
        page.click(*START)
        page.wait_canvas(lambda px: px != page_region(title, FIELD), FIELD, what="the field")
        self.assertEqual(page.errors(), [])

    def test_without_storage_the_page_says_why_and_the_game_goes_on(self):
        refuse_local = """
            const full = () => new DOMException('full', 'QuotaExceededError');
            const setItem = Storage.prototype.setItem;
            Storage.prototype.setItem = function (k, v) {
              if (k === 'frothy-record') throw full();
              return setItem.call(this, k, v);
            };"""
        refuse_writes = refuse_local + """
            IDBObjectStore.prototype.put = function () { throw full(); };"""
        # IndexedDB takes the write and fails it later, as a full disk does.
        abort_writes = refuse_local + """
            const put = IDBObjectStore.prototype.put;
            IDBObjectStore.prototype.put = function (...args) {
              const request = put.apply(this, args);
              Object.defineProperty(this.transaction, 'error', {value: full()});
              this.transaction.abort();
              return request;
            };"""
        no_storage = """
            Object.defineProperty(window, 'indexedDB', {value: undefined});
            Object.defineProperty(window, 'localStorage', {get() {
              throw new DOMException('denied', 'SecurityError'); }});"""
        cases = (
            # init script, the notice at start-up, the dialog when the level changes, the end
            ("refusing", refuse_writes, None,
             "The times could not be saved: the browser's storage for this page is full.", None),
            ("aborting", abort_writes, None,
             "The times could not be saved: the browser's storage for this page is full.",
             "The game has ended. Your times were not saved."),
            ("missing", no_storage,
             "This browser keeps no storage for this page: your times last until the page is "
             "closed.", None, "The game has ended. Your times were not saved."),
        )
        for name, script, notice, dialog, end in cases:
            with self.subTest(name):
                page = Page(self.server.url(), init_script=script)
                self.addCleanup(page.close)
                self.assertEqual(page.state(), "running")
                self.assertEqual(page.js("return frothyPage.notices"), [notice] if notice else [])
                page.wait_ticks(2)
                level1 = page.canvas(*LEVEL_BOX)
                page.click(*LEVEL_UP)
                page.move(0, 0)
                level2 = page.wait_canvas(lambda px: px != level1, LEVEL_BOX, what="level 2")
                errors = [dialog] if dialog else []
                wait_until(lambda: page.js("return frothyPage.errors") == errors, 5, "the dialog")
                if dialog:
                    self.assertEqual(page.js(
                        "return document.getElementById('error-text').textContent"), dialog)
                    page.driver.find_element("id", "error-ok").click()
                # The game goes on, and a failure is told once.
                page.click(*LEVEL_UP)
                page.move(0, 0)
                page.wait_canvas(lambda px: px != level2, LEVEL_BOX, what="level 3")
                self.assertEqual(len(page.js("return frothyPage.errors")), 1 if dialog else 0)
                if end:
                    page.escape()
                    wait_until(lambda: page.state() == "ended", 5, "the end screen")
                    self.assertEqual(page.js(
                        "return document.getElementById('ended-text').textContent"), end)
                    self.assertEqual(page.js("return frothyPage.errors"), errors)


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
