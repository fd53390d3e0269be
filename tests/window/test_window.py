"""The real window: its caption, fixed client area and place, and the ways out."""

import os
import signal
import unittest

from harness import Game, Xvfb, wait_until


class WindowTest(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.close)

    def start(self, **kw):
        game = Game(self.x, **kw)
        self.addCleanup(game.close)
        game.wait_shown()
        return game

    def test_caption_fixed_client_area_centred(self):
        game = self.start()
        name = self.x.run("xprop", "-id", game.window, "WM_NAME").stdout
        self.assertIn('"FROTHY!"', name)
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
        with open(game.path("b_data.dat"), "rb") as f:
            data = f.read()
        self.assertEqual(data, b"\xff" * 200 + b"\x01\x00\x00\x00")

    def test_close_request_writes_the_record_and_ends(self):
        game = self.start()
        game.click(258, 321)  # level up to 2
        game.wait_pixels(lambda s: s.at(258, 321) != 0, what="the lit arrow")
        os.remove(game.path("b_data.dat"))
        game.signal(signal.SIGTERM)
        self.assertEqual(game.wait_exit(), 0)
        with open(game.path("b_data.dat"), "rb") as f:
            self.assertEqual(f.read(), b"\xff" * 200 + b"\x02\x00\x00\x00")


if __name__ == "__main__":
    unittest.main()
