"""Playing in the real window: lit controls, the level selector, the moving field and the
clock, Escape back to the title, and the cues reaching the audio output."""

import os
import struct
import unittest

from harness import Game, Xvfb, wait_until

START = (197, 197)
RANKING = (198, 235)
LEVEL_DOWN = (213, 321)
LEVEL_UP = (257, 321)
NOWHERE = (100, 380)

CONTROLS = {  # x, y, w, h as drawn
    "start": (163, 189, 70, 17),
    "ranking": (165, 229, 68, 14),
    "down": (209, 313, 9, 18),
    "up": (254, 313, 9, 18),
}


def region(shot, box):
    x, y, w, h = box
    return shot.region(x, y, w, h)


def field(shot):
    return shot.region(0, 0, 399, 399)


class PlayTest(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.close)

    def start(self, **kw):
        game = Game(self.x, **kw)
        self.addCleanup(game.close)
        self.rest = game.wait_shown()
        return game

    def test_hover_lights_each_control_in_its_own_pixels_only(self):
        game = self.start()
        game.move(*NOWHERE)
        rest = game.wait_pixels(lambda s: True)
        for name, point in (("start", START), ("ranking", RANKING), ("down", LEVEL_DOWN),
                            ("up", LEVEL_UP)):
            game.move(*point)
            lit = game.wait_pixels(
                lambda s: region(s, CONTROLS[name]) != region(rest, CONTROLS[name]),
                what=f"{name} lit")
            for other, box in CONTROLS.items():
                if other != name:
                    self.assertEqual(region(lit, box), region(rest, box), f"{other} with {name}")
            # Nothing outside the control's box changed (the level digit stays as it was).
            x, y, w, h = CONTROLS[name]
            for yy in range(150, 350, 3):
                for xx in range(100, 300, 3):
                    if not (x <= xx < x + w and y <= yy < y + h):
                        self.assertEqual(lit.at(xx, yy), rest.at(xx, yy), (name, xx, yy))
            game.move(*NOWHERE)
            game.wait_pixels(lambda s: region(s, CONTROLS[name]) == region(rest, CONTROLS[name]),
                             what=f"{name} unlit")

    def test_click_outside_every_control_is_dropped(self):
        game = self.start()
        game.click(*NOWHERE)
        game.move(*START)
        game.wait_pixels(lambda s: region(s, CONTROLS["start"]) != region(self.rest,
                                                                           CONTROLS["start"]))
        # A few more frames: still the title, the field never appears.
        for _ in range(5):
            s = game.shot()
            self.assertEqual(s.at(30, 30), self.rest.at(30, 30))

    def test_arrows_change_the_level_digit(self):
        game = self.start()
        digit = (218, 313, 36, 18)
        one = region(self.rest, digit)
        game.click(*LEVEL_UP)
        two = game.wait_pixels(lambda s: region(s, digit) != one, what="digit 2")
        game.click(*LEVEL_DOWN)
        game.move(*NOWHERE)
        game.wait_pixels(lambda s: region(s, digit) == one, what="digit back to 1")
        del two

    def test_start_shows_a_moving_field_merges_start_the_clock_escape_returns(self):
        game = self.start(audio="disk")
        game.click(*START)
        first = game.wait_pixels(lambda s: s.at(5, 5) == 0 and s.at(398, 398) == 0,
                                 what="the black field")
        game.wait_pixels(lambda s: field(s) != field(first), what="bubbles moving")
        clock = (450, 190, 80, 19)
        zero = region(game.shot(), clock)
        # Click all over the field until something merges: the clock starts and runs.
        points = [(x, y) for y in range(20, 390, 24) for x in range(20, 390, 24)]
        for i, p in enumerate(points):
            game.click(*p)
            if i % 20 == 19 and region(game.shot(), clock) != zero:
                break
        ticking = game.wait_pixels(lambda s: region(s, clock) != zero, timeout=5,
                                   what="the clock running")
        game.wait_pixels(lambda s: region(s, clock) != region(ticking, clock), timeout=3,
                         what="the clock's digits changing")
        self.assertGreater(self.loudest(game.path("audio.raw")), 1000)
        game.key("Escape")
        game.wait_pixels(lambda s: s.at(30, 30) == self.rest.at(30, 30), what="the title")
        game.key("Escape")
        self.assertEqual(game.wait_exit(), 0)

    @staticmethod
    def loudest(path):
        with open(path, "rb") as f:
            raw = f.read()
        n = len(raw) // 2
        samples = struct.unpack(f"<{n}h", raw[:2 * n])
        return max((abs(s) for s in samples), default=0)


if __name__ == "__main__":
    unittest.main()
