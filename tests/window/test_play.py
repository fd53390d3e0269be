"""Playing in the real window: lit controls, the level selector, the moving field and the
clock, Escape back to the title, and the cues reaching the audio output."""

import os
import time
import unittest

from harness import (CONTROLS, LEVEL_BOX, LEVEL_DOWN, LEVEL_UP, NOWHERE, RANKING, START, GameTest,
                     loudest, wait_until)


def field(shot):
    return shot.region(0, 0, 399, 399)


class PlayTest(GameTest):
    def test_hover_lights_each_control_in_its_own_pixels_only(self):
        game = self.start()
        game.move(*NOWHERE)
        rest = game.wait_pixels(lambda s: True)
        for name, point in (("start", START), ("ranking", RANKING), ("down", LEVEL_DOWN),
                            ("up", LEVEL_UP)):
            game.move(*point)
            lit = game.wait_pixels(
                lambda s: s.region(*CONTROLS[name]) != rest.region(*CONTROLS[name]),
                what=f"{name} lit")
            for other, box in CONTROLS.items():
                if other != name:
                    self.assertEqual(lit.region(*box), rest.region(*box), f"{other} with {name}")
            # Nothing outside the control's box changed (the level digit stays as it was).
            x, y, w, h = CONTROLS[name]
            for yy in range(150, 350, 3):
                for xx in range(100, 300, 3):
                    if not (x <= xx < x + w and y <= yy < y + h):
                        self.assertEqual(lit.at(xx, yy), rest.at(xx, yy), (name, xx, yy))
            game.move(*NOWHERE)
            game.wait_pixels(lambda s: s.region(*CONTROLS[name]) == rest.region(*CONTROLS[name]),
                             what=f"{name} unlit")

    def screen(self, game, x, y):
        """Moves the pointer to client (x, y), which may lie outside the window, as the X
        server sees it: relative to the screen, not to the window."""
        geo = game.geometry()
        self.x.run("xdotool", "mousemove", str(geo["Absolute upper-left X"] + x),
                   str(geo["Absolute upper-left Y"] + y))

    def test_the_hover_light_stays_when_the_pointer_leaves_the_window(self):
        game = self.start()
        start = CONTROLS["start"]
        for outside in ((START[0], -30), (-25, START[1]), (START[0], 430)):
            with self.subTest(outside=outside):
                game.move(*START)
                lit = game.wait_pixels(lambda s: s.region(*start) != game.title.region(*start),
                                       what="start lit")
                self.screen(game, *outside)
                # Twenty frames and more after the pointer has left: still lit.
                for _ in range(10):
                    self.assertEqual(game.shot().region(*start), lit.region(*start))
                    time.sleep(0.05)

    def test_a_drag_out_of_the_window_follows_the_pointer(self):
        game = self.start()
        start = CONTROLS["start"]
        one = game.title.region(*LEVEL_BOX)
        up = CONTROLS["up"]
        game.move(*LEVEL_UP)
        game.wait_pixels(lambda s: s.region(*up) != game.title.region(*up), what="up lit")
        self.x.run("xdotool", "mousedown", "1")
        try:
            # The press is consumed at the arrow; then, button held, the pointer goes to START
            # and on out of the window, and the stored position goes with it.
            game.wait_pixels(lambda s: s.region(*LEVEL_BOX) != one, what="digit 2")
            game.move(*START)
            game.wait_pixels(lambda s: s.region(*start) != game.title.region(*start),
                             what="start lit during the drag")
            self.screen(game, START[0], -30)
            game.wait_pixels(lambda s: s.region(*start) == game.title.region(*start),
                             what="start dark with the pointer dragged outside")
        finally:
            self.x.run("xdotool", "mouseup", "1")

    def test_click_outside_every_control_is_dropped(self):
        game = self.start()
        start = CONTROLS["start"]
        game.move(*START)
        game.wait_pixels(lambda s: s.region(*start) != game.title.region(*start), what="start lit")
        # The click is judged where the pointer is at the next tick, so the pointer never goes
        # back to a control after it: start going dark shows a tick with the pointer away.
        game.click(*NOWHERE)
        game.wait_pixels(lambda s: s.region(*start) == game.title.region(*start), what="start dark")
        # A few more frames: still the title, the field never appears.
        for _ in range(5):
            s = game.shot()
            self.assertEqual(s.at(30, 30), game.title.at(30, 30))

    def test_arrows_change_the_level_digit(self):
        game = self.start()
        one = game.title.region(*LEVEL_BOX)
        game.click(*LEVEL_UP)
        game.wait_pixels(lambda s: s.region(*LEVEL_BOX) != one, what="digit 2")
        # The pointer stays on the arrow until the digit changes: the click is judged where the
        # pointer is at the next tick.
        game.click(*LEVEL_DOWN)
        game.wait_pixels(lambda s: s.region(*LEVEL_BOX) == one, what="digit back to 1")

    def test_start_shows_a_moving_field_merges_start_the_clock_escape_returns(self):
        game = self.start(audio="disk")
        game.click(*START)
        first = game.wait_pixels(lambda s: s.at(5, 5) == 0 and s.at(398, 398) == 0,
                                 what="the black field")
        game.wait_pixels(lambda s: field(s) != field(first), what="bubbles moving")
        clock = (450, 190, 80, 19)
        zero = game.shot().region(*clock)
        # Click all over the field until something merges: the clock starts and runs.
        points = [(x, y) for y in range(20, 390, 24) for x in range(20, 390, 24)]
        for i, p in enumerate(points):
            game.click(*p)
            if i % 20 == 19 and game.shot().region(*clock) != zero:
                break
        ticking = game.wait_pixels(lambda s: s.region(*clock) != zero, timeout=5,
                                   what="the clock running")
        game.wait_pixels(lambda s: s.region(*clock) != ticking.region(*clock), timeout=3,
                         what="the clock's digits changing")
        self.assertGreater(loudest(game.path("audio.raw")), 1000)
        game.key("Escape")
        game.wait_pixels(lambda s: s.at(30, 30) == game.title.at(30, 30), what="the title")
        game.key("Escape")
        self.assertEqual(game.wait_exit(), 0)

    def test_the_menu_cue_reaches_the_audio_output(self):
        game = self.start(audio="disk")
        audio = game.path("audio.raw")
        start = CONTROLS["start"]
        game.move(*START)  # lighting a control is silent
        game.wait_pixels(lambda s: s.region(*start) != game.title.region(*start), what="start lit")
        wait_until(lambda: os.path.getsize(audio) > 0, 5, "the audio output running")
        self.assertEqual(loudest(audio), 0, "the title before the click is silent")
        before = os.path.getsize(audio) // 4 * 4
        game.click(*START)
        game.wait_pixels(lambda s: s.at(5, 5) == 0 and s.at(398, 398) == 0, what="the black field")
        # No click on the field, so nothing merged: what sounds now is the menu cue.
        wait_until(lambda: loudest(audio, before) > 1000, 5, "the menu cue in the output")
        game.key("Escape")
        game.wait_pixels(lambda s: s.at(30, 30) == game.title.at(30, 30), what="the title")
        game.key("Escape")
        self.assertEqual(game.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
