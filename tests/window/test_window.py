"""The real window: its caption, fixed client area and place, the ranking screen with a record
file of our own, and the ways out, including a save that fails."""

import os
import signal
import unittest

from harness import (BOX_TITLE, CAPTION, CONTROLS, LEVEL_BOX, LEVEL_UP, NOWHERE, RANKING, START,
                     Game, GameTest, Xvfb)
from inputs import record_bytes, with_level

WHITE, GREY, BLACK = 0xFFFFFF, 0x808080, 0x000000

# (level, place) -> hundredths, in three of the five levels; every other place is empty.
TIMES = {(1, 1): 130, (1, 2): 245, (1, 3): 1005, (3, 1): 59, (3, 2): 4207, (5, 10): 1234}


def entry_box(level, place):
    return (65 * level + 7, 18 * place + 100, 58, 16)


def header_box(level):
    return (65 * level + 12, 90, 40, 16)


class WindowTest(GameTest):
    def test_caption_fixed_client_area_centred(self):
        game = self.start()
        name = self.x.run("xprop", "-id", game.window, "WM_NAME").stdout
        self.assertIn(f'"{CAPTION}"', name)
        geo = game.geometry()
        self.assertEqual((geo["Width"], geo["Height"]), (600, 399))
        hints = self.x.run("xprop", "-id", game.window, "WM_NORMAL_HINTS").stdout
        self.assertIn("minimum size: 600 by 399", hints)
        self.assertIn("maximum size: 600 by 399", hints)
        width, height = self.x.size
        self.assertEqual(geo["Absolute upper-left X"], (width - 600) // 2)
        self.assertIn(geo["Absolute upper-left Y"], ((height - 399) // 2, (height - 399 + 1) // 2))

    def test_escape_on_the_title_writes_the_record_and_ends(self):
        game = self.start()
        os.remove(game.path("b_data.dat"))
        game.key("Escape")
        self.assertEqual(game.wait_exit(), 0)
        self.assertEqual(game.read("b_data.dat"), b"\xff" * 200 + b"\x01\x00\x00\x00")

    def test_close_request_writes_the_record_and_ends(self):
        game = self.start()
        game.click(*LEVEL_UP)  # level 2
        game.wait_pixels(lambda s: s.at(258, 321) != 0, what="the lit arrow")
        os.remove(game.path("b_data.dat"))
        game.request_close()
        self.assertEqual(game.wait_exit(), 0)
        self.assertEqual(game.read("b_data.dat"), b"\xff" * 200 + b"\x02\x00\x00\x00")

    def test_the_end_of_the_session_writes_the_record_and_ends(self):
        written = record_bytes(TIMES, level=4)
        for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            with self.subTest(sig.name):
                game = self.start(folder=self.play_folder({"b_data.dat": written}))
                os.remove(game.path("b_data.dat"))
                game.signal(sig)
                self.assertEqual(game.wait_exit(), 0)
                self.assertEqual(game.read("b_data.dat"), written)
                game.close()

    def test_the_end_of_the_session_ends_the_game_even_when_the_save_fails(self):
        # Nobody is left to answer a box at logout: the save is tried once, then the game ends.
        written = record_bytes(TIMES, level=2)
        for sig in (signal.SIGTERM, signal.SIGHUP):
            with self.subTest(sig.name):
                game = self.start(folder=self.play_folder({"b_data.dat": written}))
                os.chmod(game.path("b_data.dat"), 0o444)
                game.signal(sig)
                self.assertEqual(game.wait_exit(), 1)
                self.assertIn("could not be saved", game.stderr())
                self.assertIsNone(self.x.viewable(BOX_TITLE))
                self.assertEqual(game.read("b_data.dat"), written)
                game.close()

    def test_a_lost_display_connection_still_saves(self):
        x = Xvfb()
        self.addCleanup(x.close)
        folder = self.play_folder({"b_data.dat": record_bytes(TIMES, level=3)})
        game = Game(x, folder=folder)
        self.addCleanup(game.close)
        game.wait_shown()
        game.click(*LEVEL_UP)  # level 4
        game.wait_pixels(lambda s: s.region(*LEVEL_BOX) != game.title.region(*LEVEL_BOX),
                         what="level 4")
        os.remove(game.path("b_data.dat"))
        x.close()
        game.wait_exit()
        self.assertEqual(game.read("b_data.dat"), record_bytes(TIMES, level=4))

    def open_ranking(self, written):
        game = self.start(folder=self.play_folder({"b_data.dat": written}))
        # The click is judged where the pointer is at the next tick: it moves on only once the
        # ranking screen shows.
        game.click(*RANKING)
        ranking = game.wait_pixels(
            lambda s: s.at(5, 5) == BLACK and s.at(398, 398) == BLACK
            and s.brightest(*header_box(5)) == WHITE and s.brightest(*entry_box(5, 10)) == WHITE,
            what="the ranking screen")
        game.move(*NOWHERE)
        return game, ranking

    def test_the_ranking_shows_a_record_of_our_own_and_a_run_keeps_its_bytes(self):
        written = record_bytes(TIMES, level=3)
        game, ranking = self.open_ranking(written)
        title = game.title
        for level in range(1, 6):
            self.assertEqual(ranking.brightest(*header_box(level)), WHITE, f"Lv.{level}")
            for place in range(1, 11):
                where = f"level {level} place {place}"
                brightest = ranking.brightest(*entry_box(level, place))
                if (level, place) in TIMES:
                    self.assertEqual(brightest, WHITE, where)
                else:  # the exact grey is checked on its own below
                    r, g, b = brightest >> 16, brightest >> 8 & 255, brightest & 255
                    self.assertTrue(r == g == b and 0x60 <= r <= 0x80, f"{where}: {brightest:06x}")
        # The ranking repaints only the left 400 x 400: the side panel is the title's.
        self.assertEqual(ranking.region(400, 0, 200, 399), title.region(400, 0, 200, 399))
        game.click(*NOWHERE)
        game.wait_pixels(lambda s: s.region(0, 0, 400, 399) == title.region(0, 0, 400, 399),
                         what="the title again")
        game.key("Escape")
        self.assertEqual(game.wait_exit(), 0)
        self.assertEqual(game.read("b_data.dat"), written)

    def test_an_empty_place_is_drawn_in_exactly_the_grey(self):
        game, ranking = self.open_ranking(record_bytes(TIMES, level=1))
        for level, place in ((1, 4), (2, 1), (4, 10), (5, 1)):
            self.assertEqual(f"{ranking.brightest(*entry_box(level, place)):06x}", f"{GREY:06x}",
                             f"level {level} place {place}")
        game.close()

    def test_a_failed_save_keeps_the_game_running(self):
        written = record_bytes(TIMES, level=2)
        game = self.start(folder=self.play_folder({"b_data.dat": written}))
        record = game.path("b_data.dat")
        os.chmod(record, 0o444)
        game.request_close()
        box = game.find_box()
        self.assertGreater(game.box_text_pixels(box), 50, "the box has no text")
        self.assertIsNone(game.proc.poll())
        self.assertEqual(self.x.viewable(CAPTION), game.window)
        game.close_box(box)
        # Still playing: the level goes up and the start button lights under the pointer.
        game.click(*LEVEL_UP)
        game.wait_pixels(lambda s: s.region(*LEVEL_BOX) != game.title.region(*LEVEL_BOX),
                         what="level 3")
        start = CONTROLS["start"]
        game.move(*START)
        game.wait_pixels(lambda s: s.region(*start) != game.title.region(*start),
                         what="the start button lit")
        self.assertEqual(game.read("b_data.dat"), written)
        self.assertEqual(os.stat(record).st_mode & 0o777, 0o444)
        os.chmod(record, 0o644)
        game.signal(signal.SIGTERM)
        self.assertEqual(game.wait_exit(), 0)
        self.assertEqual(game.read("b_data.dat"), with_level(written, 3))


if __name__ == "__main__":
    unittest.main()
