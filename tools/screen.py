"""The game's window as the programs that drive it see it (the window and browser tests, the
browser's meter and screenshot): where the title's controls are, and a wait on a condition with
a deadline instead of a fixed sleep."""

import time

# Title controls, as clicked.
START = (197, 197)
RANKING = (198, 235)
LEVEL_DOWN = (213, 321)
LEVEL_UP = (257, 321)
NOWHERE = (100, 380)

# Title controls, as drawn: x, y, w, h.
CONTROLS = {
    "start": (163, 189, 70, 17),
    "ranking": (165, 229, 68, 14),
    "down": (209, 313, 9, 18),
    "up": (254, 313, 9, 18),
}
LEVEL_BOX = (218, 313, 36, 18)  # the level digit is written in here


def wait_until(condition, timeout=10.0, what="condition"):
    """Polls `condition` until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.02)
