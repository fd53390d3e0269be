"""The game's window as the programs that drive it see it (the window and browser tests, the
browser's meter and screenshot): where the title's controls are, a wait on a condition with
a deadline instead of a fixed sleep, and the desktop's own frames to compare another platform's
with."""

import os
import shutil
import struct
import subprocess
import tempfile
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


def record(level, level1_times=(), others=None):
    """A 204-byte record file: level 1's times first, then those `others` maps a level to, every
    other place empty."""
    ranks = [-1] * 50
    for lv, times in [(1, level1_times)] + sorted((others or {}).items()):
        for i, t in enumerate(times):
            ranks[(lv - 1) * 10 + i] = t
    return struct.pack("<51i", *ranks, level)


# A ranking that writes every digit and the clock's marks: seconds, minutes, tens of minutes.
RANKED = record(1, (31, 47, 112, 605, 3599), {2: (208,), 4: (59, 1234), 5: (4086,)})
_DEFAULT_FILES = ("pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav")


def desktop_frames(render_screens, data, stored):
    """The desktop's frames as tools/render_screens draws them from the default files in `data`
    with `stored` as the record: {name: the frame's RGB bytes}, among them the title with the
    pointer on START ("title") and the record's ranking ("stored-ranking")."""
    folder = tempfile.mkdtemp(prefix="frothy-render-")
    try:
        for name in _DEFAULT_FILES:
            shutil.copy(os.path.join(data, name), folder)
        with open(os.path.join(folder, "b_data.dat"), "wb") as f:
            f.write(stored)
        out = os.path.join(folder, "out")
        os.mkdir(out)
        subprocess.run([os.path.abspath(render_screens), out], cwd=folder, check=True,
                       capture_output=True, env=dict(os.environ, SDL_AUDIODRIVER="dummy"))
        return {name[:-4]: subprocess.run(["convert", os.path.join(out, name), "-depth", "8",
                                           "rgb:-"], check=True, capture_output=True).stdout
                for name in os.listdir(out) if name.endswith(".png")}
    finally:
        shutil.rmtree(folder)


def region(frame, box, width=600):
    """The RGB bytes of `box` (x, y, w, h) cut from a whole frame's."""
    x, y, w, h = box
    return b"".join(frame[((y + r) * width + x) * 3:((y + r) * width + x + w) * 3]
                    for r in range(h))
