"""The game on the desktops players have: a second start in the same play folder, no sound
device, the title as every window manager reads it, the desktop's scale, and where the error
box opens."""

import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from harness import (BOX_TITLE, DATA_FILES, LEVEL_BOX, LEVEL_UP, START, Game, GameTest, Xvfb,
                     wait_until)
from inputs import record_bytes, with_level

# The disk driver writing into a folder that does not exist: the device cannot be opened.
NO_DEVICE = {"SDL_DISKAUDIOFILE": "/nonexistent/frothy/audio.raw"}
TIMES = {(1, 1): 130, (2, 3): 245, (5, 10): 959}


def listing(folder):
    """Every file of a folder with its bytes and modification time."""
    out = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        with open(path, "rb") as f:
            out[name] = (f.read(), os.stat(path).st_mtime_ns)
    return out


class SessionTest(GameTest):
    def second(self, folder, **kw):
        """A second game in a folder where one may already run: started without waiting for
        the first one's window to go."""
        game = Game(self.x, folder=folder, **kw)
        self.addCleanup(game.close)
        return game

    def test_a_second_game_in_the_same_folder_is_refused_and_the_first_keeps_its_times(self):
        written = record_bytes(TIMES, level=1)
        folder = self.play_folder({"b_data.dat": written})
        first = self.start(folder=folder)
        before = listing(folder)
        second = self.second(folder)
        box = second.find_box()
        self.assertGreater(second.box_text_pixels(box), 50, "the box has no text")
        second.close_box(box)
        self.assertEqual(second.wait_exit(), 1)
        self.assertEqual(listing(folder), before, "the second game touched a file")
        # The first game plays on and saves what it has.
        first.click(*LEVEL_UP)
        first.wait_pixels(lambda s: s.region(*LEVEL_BOX) != first.title.region(*LEVEL_BOX),
                          what="level 2")
        first.key("Escape")
        self.assertEqual(first.wait_exit(), 0)
        self.assertEqual(first.read("b_data.dat"), with_level(written, 2))

    def test_a_killed_game_does_not_block_the_next_start(self):
        folder = self.play_folder({"b_data.dat": record_bytes(TIMES, level=3)})
        first = self.start(folder=folder)
        os.killpg(first.proc.pid, signal.SIGKILL)
        first.wait_exit()
        again = self.start(folder=folder)
        again.key("Escape")
        self.assertEqual(again.wait_exit(), 0)
        self.assertEqual(again.read("b_data.dat"), record_bytes(TIMES, level=3))

    def test_games_in_different_folders_run_together(self):
        one = self.start(folder=self.play_folder())
        other = self.second(self.play_folder())
        wait_until(lambda: self.window_of(other), 10, "the second game's window")
        self.assertIsNone(one.proc.poll())
        self.assertIsNone(other.proc.poll())

    def test_no_sound_device_plays_silently(self):
        for driver in ("disk", "no_such_driver"):
            with self.subTest(driver=driver):
                game = self.start(audio=driver, extra_env=NO_DEVICE)
                game.click(*START)  # the menu cue, silently
                game.wait_pixels(lambda s: s.at(5, 5) == 0 and s.at(398, 398) == 0,
                                 what="the black field")
                game.key("Escape")
                game.wait_pixels(lambda s: s.at(30, 30) == game.title.at(30, 30),
                                 what="the title")
                game.key("Escape")
                self.assertEqual(game.wait_exit(), 0)
                lines = game.stderr().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertIn("playing without sound", lines[0])
                game.close()

    def test_without_a_sound_device_a_missing_cue_is_still_reported(self):
        folder = self.play_folder()
        game = self.start(shown=False, audio="disk", extra_env=NO_DEVICE, folder=folder,
                          files=[f for f in DATA_FILES if f != "snd2.wav"])
        box = game.find_box()
        self.assertGreater(game.box_text_pixels(box), 50, "the box has no text")
        game.close_box(box)
        self.assertEqual(game.wait_exit(), 1)

    locales = None  # the folder of the locales built for this class, once built

    def sessions(self):
        """The session locales to try: the C ones, and two built here once with localedef (the
        "locales" package): a UTF-8 one without Japanese and one that is not UTF-8."""
        built = (("en_GB.UTF-8", "en_GB", "UTF-8"), ("de_DE.ISO-8859-1", "de_DE", "ISO-8859-1"))
        if SessionTest.locales is None:
            folder = tempfile.mkdtemp(prefix="frothy_locales_")
            self.addClassCleanup(shutil.rmtree, folder, True)
            for name, source, charmap in built:
                made = subprocess.run(["localedef", "-i", source, "-f", charmap,
                                       os.path.join(folder, name)], capture_output=True)
                if made.returncode != 0:
                    self.fail(f"localedef could not build {name}: {made.stderr!r}")
            SessionTest.locales = folder
        sessions = [{"LANG": "C"}, {"LANG": "C.UTF-8"}]
        sessions += [{"LANG": name, "LOCPATH": SessionTest.locales} for name, _, _ in built]
        for env in sessions:
            env.update({"LC_ALL": "", "LC_CTYPE": ""})
        return sessions

    def test_the_title_is_a_standard_wm_name_in_every_locale(self):
        for env in self.sessions():
            with self.subTest(lang=env["LANG"]):
                game = self.start(extra_env=env)
                name = self.x.run("xprop", "-id", game.window, "WM_NAME").stdout.strip()
                self.assertRegex(name, r'^WM_NAME\((STRING|COMPOUND_TEXT|UTF8_STRING)\) = '
                                       r'"FROTHY!"$')
                found = self.x.run("xdotool", "search", "--name", "^FROTHY!$",
                                   check=False).stdout.split()
                self.assertEqual([int(w) for w in found], [int(game.window, 16)])
                game.close()

    def test_japanese_error_texts_are_drawn_in_every_locale(self):
        # A missing record file: "ファイルが見つかりません." in the box, then the game.
        files = [f for f in DATA_FILES if f != "b_data.dat"]
        for env in self.sessions():
            with self.subTest(lang=env["LANG"]):
                game = self.start(shown=False, files=files, extra_env=env)
                box = game.find_box()
                # The box's name is one every tool reads, as the game window's is.
                name = self.x.run("xprop", "-id", box, "WM_NAME").stdout.strip()
                self.assertRegex(name, r'^WM_NAME\((STRING|COMPOUND_TEXT)\) = "Frothy"$')
                found = self.x.run("xdotool", "search", "--name", "^Frothy$",
                                   check=False).stdout.split()
                self.assertEqual([int(w) for w in found], [int(box, 16)])
                shot = wait_until(lambda: game._drawn_box(box), 5, "the box drawn")
                # Light text on the dark box: blank glyphs leave only the OK label's 40 or so.
                light = sum(1 for p in shot.pixels() if min(p >> 16, p >> 8 & 255, p & 255) >= 0xB0)
                self.assertGreater(light, 300, "the Japanese text is not drawn")
                game.close()

    def test_the_box_of_a_failed_save_opens_over_the_game_window(self):
        # No window manager runs on this X server.
        game = self.start(folder=self.play_folder({"b_data.dat": record_bytes(TIMES)}))
        os.chmod(game.path("b_data.dat"), 0o444)
        game.request_close()
        box = game.find_box()
        win, got = game.geometry(), game.geometry(box)
        left, top = win["Absolute upper-left X"], win["Absolute upper-left Y"]
        box_left, box_top = got["Absolute upper-left X"], got["Absolute upper-left Y"]
        self.assertLessEqual(abs((box_left + got["Width"] / 2) - (left + win["Width"] / 2)), 1,
                             (win, got))
        self.assertTrue(left <= box_left and box_left + got["Width"] <= left + win["Width"]
                        and top <= box_top and box_top + got["Height"] <= top + win["Height"],
                        (win, got))
        game.close_box(box)
        os.chmod(game.path("b_data.dat"), 0o644)
        game.signal(signal.SIGTERM)
        self.assertEqual(game.wait_exit(), 0)

    def test_a_session_signal_ends_an_open_error_box_and_the_game_saves(self):
        # At logout, after a closed terminal or an interrupt nobody is left to answer a box: it
        # goes, and the game saves and ends as it does without one. A box at start-up (the
        # record missing) and the box of a save refused at the window's close, then allowed.
        # A sound device is open, so the signal may come to its thread rather than the box's.
        files = [f for f in DATA_FILES if f != "b_data.dat"]
        written = record_bytes(TIMES, level=1)
        for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            for when in ("start-up", "refused save"):
                with self.subTest(signal=sig.name, box=when):
                    if when == "start-up":
                        game = self.start(shown=False, files=files, audio="disk")
                        expected = record_bytes()
                    else:
                        game = self.start(folder=self.play_folder({"b_data.dat": written}),
                                          audio="disk")
                        game.click(*LEVEL_UP)
                        game.wait_pixels(lambda s: s.region(*LEVEL_BOX)
                                         != game.title.region(*LEVEL_BOX), what="level 2")
                        os.chmod(game.path("b_data.dat"), 0o444)
                        game.request_close()
                        expected = with_level(written, 2)
                    try:
                        game.find_box()
                        if when == "refused save":
                            os.chmod(game.path("b_data.dat"), 0o644)
                        game.signal(sig)
                        self.assertEqual(game.wait_exit(), 0, game.stderr())
                        self.assertEqual(game.read("b_data.dat"), expected)
                        self.assertIsNone(self.x.viewable(BOX_TITLE), "the box stayed")
                    finally:
                        game.close()

    def test_the_click_that_brings_the_focus_is_a_click(self):
        game = self.start()
        root = self.x.run("xwininfo", "-root").stdout.split("Window id:")[1].split()[0]
        focused = lambda: int(self.x.run("xdotool", "getwindowfocus", check=False).stdout
                              or "0") == int(root, 16)
        self.x.run("xdotool", "windowfocus", root)
        wait_until(focused, 5, "the focus on the root window")
        # The game takes the focus and the press in one go, as it does when it is busy.
        game.signal(signal.SIGSTOP)
        try:
            self.x.run("xdotool", "windowfocus", "--sync", game.window)
            game.click(*START)
        finally:
            game.signal(signal.SIGCONT)
        game.wait_pixels(lambda s: s.at(5, 5) == 0 and s.at(398, 398) == 0, what="the field")

    def window_of(self, game):
        """The id of a viewable window of that game's process, or None."""
        r = self.x.run("xdotool", "search", "--onlyvisible", "--pid", str(game.proc.pid),
                       check=False)
        return r.stdout.split()[0] if r.stdout.split() else None

class DesktopScaleTest(unittest.TestCase):
    """GNOME, Xfce and Cinnamon on X11 publish their scale as the Xft.dpi resource."""

    def test_xft_dpi_192_gives_twice_the_size(self):
        x = Xvfb(1920, 1080)
        self.addCleanup(x.close)
        plain = Game(x)
        self.addCleanup(plain.close)
        reference = plain.wait_shown()
        plain.close()

        subprocess.run(["xrdb", "-nocpp", "-merge"], input="Xft.dpi: 192\n", text=True,
                       env=x.env(), check=True)
        game = Game(x)
        self.addCleanup(game.close)
        game.find_window()
        geo = game.geometry()
        self.assertEqual((geo["Width"], geo["Height"]), (1200, 798))
        shot = wait_until(lambda: (lambda s: s if s.at(2 * 236, 2 * 322) == reference.at(236, 322)
                                   else None)(game.shot()), 10, "the scaled frame")
        for cx, cy in ((10, 10), (236, 322), (599, 398)):
            block = {shot.at(2 * cx + i, 2 * cy + j) for i in (0, 1) for j in (0, 1)}
            self.assertEqual(block, {reference.at(cx, cy)}, (cx, cy))


if __name__ == "__main__":
    unittest.main()
