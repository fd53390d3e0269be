"""The zipped Windows program in a real window: unzipped into a folder of its own and started
under Wine on a private Xvfb, driven through tests/window/harness.py like the desktop's game.
One Wine prefix for the class (making one takes several seconds), Wine's own output off."""

import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile

import harness
import screen
from harness import CAPTION, LEVEL_UP, RANKING, START, Game, Xvfb, wait_until

ZIP = os.environ.get("FROTHY_ZIP", "")
TOP = os.environ.get("FROTHY_ZIP_TOP", "")
WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
# The desktop build's tools/render_screens, to compare frames with (none: that test skips).
RENDER_SCREENS = os.environ.get("FROTHY_RENDER_SCREENS", "")
# A display number of one's own (":58"); by default Xvfb picks a free one.
DISPLAY = os.environ.get("FROTHY_WINE_DISPLAY") or None

FIELD = (0, 0, 399, 399)


class WindowsGame(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(ZIP):
            raise AssertionError(f"no zip at {ZIP!r}: build the target frothy_zip")
        cls.x = Xvfb(display=DISPLAY)
        cls.addClassCleanup(cls.x.close)
        cls.prefix = tempfile.mkdtemp(prefix="frothy_wine_")
        cls.addClassCleanup(shutil.rmtree, cls.prefix, True)
        cls.env = {"WINEPREFIX": cls.prefix, "WINEDEBUG": "-all",
                   "WINEDLLOVERRIDES": "mscoree,mshtml="}
        env = dict(cls.x.env(), **cls.env)
        subprocess.run([WINE, "wineboot", "-i"], env=env, check=True, capture_output=True)
        cls.wine_env = env
        cls.addClassCleanup(cls.end_wine)

    @classmethod
    def end_wine(cls):
        """Ends every Wine process of the prefix and waits for its server to go, after each
        test, so that each test's games start on a Wine of their own (once, a game started just
        after another had ended exited at once with 1, before any window)."""
        server = os.path.join(os.path.dirname(WINE), "wineserver")
        for flag in ("-k", "-w"):
            subprocess.run([server, flag], env=cls.wine_env, check=False, capture_output=True)

    def unzipped(self):
        """The zip's folder, as a player unzips it: into a folder named in Japanese, so that
        every path the game opens (its data, the face, the record, the lock) must travel as
        UTF-16."""
        where = tempfile.mkdtemp(prefix="frothy_zip_")
        self.addCleanup(shutil.rmtree, where, True)
        where = os.path.join(where, "ゲーム")
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(where)
        return os.path.join(where, TOP)

    def start(self, folder, shown=True):
        # Started from elsewhere, as Explorer or a shortcut may: the game plays where it is.
        game = Game(self.x, folder=folder, files=(), extra_env=self.env,
                    command=[WINE, os.path.join(folder, "frothy.exe")])
        game.own_folder = False
        self.addCleanup(self.end_wine)
        self.addCleanup(game.close)
        if shown:
            game.wait_shown(timeout=60)
        return game

    def test_the_window_and_a_moving_field(self):
        game = self.start(self.unzipped())
        geometry = game.geometry()
        self.assertEqual((geometry["Width"], geometry["Height"]), (600, 399))
        game.click(*START)
        first = game.wait_pixels(lambda s: s.pixels(*FIELD) != game.title.pixels(*FIELD),
                                 what="the field")
        wait_until(lambda: game.shot().pixels(*FIELD) != first.pixels(*FIELD), 5,
                   "the bubbles moving")

    @unittest.skipUnless(os.path.isfile(RENDER_SCREENS),
                         "no desktop build's render_screens to compare with (FROTHY_HOST_DATA)")
    def test_a_ranking_is_the_desktops_frame(self):
        folder = self.unzipped()
        with open(os.path.join(folder, "b_data.dat"), "wb") as f:
            f.write(screen.RANKED)
        desktop = screen.region(screen.desktop_frames(RENDER_SCREENS, folder, screen.RANKED)
                                ["stored-ranking"], FIELD)
        game = self.start(folder)
        game.click(*RANKING)
        game.wait_pixels(lambda s: screen.region(s.rgb, FIELD, s.width) == desktop,
                         what="the desktop's ranking")

    def test_a_level_chosen_on_the_title_is_in_the_record_after_escape(self):
        folder = self.unzipped()
        game = self.start(folder)
        before = game.shot()
        game.click(*LEVEL_UP)
        game.wait_pixels(lambda s: s.pixels(*harness.LEVEL_BOX) != before.pixels(*harness.LEVEL_BOX),
                         what="the level shown")
        game.key("Escape")
        self.assertEqual(game.wait_exit(30), 0)
        with open(os.path.join(folder, "b_data.dat"), "rb") as f:
            record = f.read()
        self.assertEqual(len(record), 204)
        self.assertEqual(int.from_bytes(record[200:204], "little"), 2)

    def test_a_second_start_in_the_folder_is_refused(self):
        folder = self.unzipped()
        first = self.start(folder)
        with open(os.path.join(folder, "b_data.dat"), "rb") as f:
            record = f.read()
        second = self.start(folder, shown=False)
        box = second.find_box(timeout=60)
        second.close_box(box)
        self.assertEqual(second.wait_exit(30), 1)
        self.assertIsNone(first.proc.poll())
        self.assertTrue(first.x.viewable(CAPTION))
        with open(os.path.join(folder, "b_data.dat"), "rb") as f:
            self.assertEqual(f.read(), record)


if __name__ == "__main__":
    unittest.main()
