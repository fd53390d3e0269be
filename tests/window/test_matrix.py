"""The real binary against damaged and unusual input files, one case at a time on one X server.
Each case ends in one of three ways: the game runs (RUNS), an error box and then the end with
status 1 (ERROR_THEN_EXIT), or, for the record file, an error box and then the game
(ERROR_THEN_RUNS). A death by a signal or a hang is a failure in every case.

Run it alone with `python3 -m unittest -v test_matrix` in this folder (FROTHY_BINARY and
FROTHY_DATA as ctest sets them); every case prints one line with what it expected and saw."""

import os
import stat
import sys
import time
import unittest
from dataclasses import dataclass
from typing import Callable, Optional

import inputs
from harness import (BOX_TITLE, CAPTION, CONTROLS, DATA, DATA_FILES, NOWHERE, RANKING, START,
                     GameTest)
from inputs import RECORD_SIZE, record_bytes, stored_level, with_level

RUNS = "RUNS"
ERROR_THEN_EXIT = "ERROR_THEN_EXIT"
ERROR_THEN_RUNS = "ERROR_THEN_RUNS"

INT_MIN, INT_MAX = -2**31, 2**31 - 1
CASE_DEADLINE = 20.0  # seconds from the start of the game to one of the outcomes
SEED = 20240607


@dataclass
class Case:
    name: str
    file: str  # the data file the case is about; every other file is the default
    make: Callable[[str], None]  # writes that file (or whatever stands in its place) to a path
    expected: str
    record_after: Optional[bytes] = None  # what b_data.dat holds after the run
    looks: Optional[Callable] = None  # a check of the first title frame: (test, shot)
    ready: Optional[Callable] = None  # tells the first title frame of an unusual picture
    ranking: bool = False  # open the ranking screen once before leaving
    refuses_save: bool = False  # Escape on the title shows the save's error box, play goes on


# --- makers ----------------------------------------------------------------------------------

def write(data: bytes):
    def make(path):
        with open(path, "wb") as f:
            f.write(data)
    return make


def missing(path):
    pass


def default_bytes(name):
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


def truncated(name, size):
    def make(path):
        data = default_bytes(name)
        write(data[:size(data) if callable(size) else size])(path)
    return make


def converted(*args, coder="BMP3", then=None, bpp=None, compression=None):
    """A sprite sheet re-saved by ImageMagick, optionally reworked by `then`; the header is
    checked so that a changed ImageMagick cannot quietly turn the case into another."""
    def make(path):
        data = inputs.convert(path, *args, coder=coder)
        if then:
            data = then(data)
            write(data)(path)
        _w, _h, got_bpp, got_compression = inputs.bmp_header(data)
        assert bpp is None or got_bpp == bpp, (path, got_bpp)
        assert compression is None or got_compression == compression, (path, got_compression)
    return make


def four_bit_then(rework):
    return converted("-colors", "16", "-type", "Palette", then=rework, bpp=4)


def sound(source, *options, channels=None, rate=None, bits=None):
    def make(path):
        data = inputs.sox(source, path, *options)
        got = inputs.wav_format(data)
        want = (channels, rate, bits)
        assert all(w is None or g == w for g, w in zip(got, want)), (path, got)
    return make


def read_only(data):
    def make(path):
        write(data)(path)
        os.chmod(path, 0o444)
    return make


def folder(path):
    os.mkdir(path)


def clamped(data):
    """What the game writes back for a record it read as `data` (204 bytes)."""
    return with_level(data, min(max(stored_level(data), 1), 5))


def overlaid(short):
    """A short record file read over the fresh table, as written back."""
    return clamped(short + record_bytes()[len(short):])


# --- title-frame checks ----------------------------------------------------------------------

def white_beyond(width, height):
    """A sheet smaller than 600 x 418: the title picture is white beyond it."""
    def check(test, shot):
        for y in range(height + 3, 399, 5):
            for x in range(width + 3, 600, 5):
                test.assertEqual(shot.at(x, y), 0xFFFFFF, (x, y))
        test.assertNotEqual(set(shot.pixels(0, 0, width, height)), {0xFFFFFF})
    return check


def same_picture(test, shot):
    """A lossless re-save shows exactly the default title."""
    test.assertEqual(shot.pixels(), test.reference.pixels())


def similar_picture(limit):
    """A re-save with fewer colours shows the default title, roughly."""
    def check(test, shot):
        a, b = shot.pixels(0, 0, 600, 399), test.reference.pixels(0, 0, 600, 399)
        diff = sum(abs((p >> s & 255) - (q >> s & 255)) for p, q in zip(a[::7], b[::7])
                   for s in (0, 8, 16)) / (3 * len(a[::7]))
        test.assertLess(diff, limit, "the picture is far from the default one")
    return check


# --- the table -------------------------------------------------------------------------------

def picture_cases():
    def pic(name, make, expected, **kw):
        return Case(f"pic.bmp {name}", "pic.bmp", make, expected, **kw)
    palette = ("-type", "Palette", "-compress", "None")
    return [
        pic("missing", missing, ERROR_THEN_EXIT),
        pic("empty", write(b""), ERROR_THEN_EXIT),
        pic("truncated at 10 bytes", truncated("pic.bmp", 10), ERROR_THEN_EXIT),
        pic("truncated at 54 bytes", truncated("pic.bmp", 54), ERROR_THEN_EXIT),
        pic("truncated at 1000 bytes", truncated("pic.bmp", 1000), ERROR_THEN_EXIT),
        pic("truncated at half", truncated("pic.bmp", lambda d: len(d) // 2), ERROR_THEN_EXIT),
        pic("truncated by one byte", truncated("pic.bmp", lambda d: len(d) - 1),
            ERROR_THEN_EXIT),
        pic("garbage", write(inputs.random_bytes(5000, SEED)), ERROR_THEN_EXIT),
        pic("garbage after 'BM'", write(b"BM" + inputs.random_bytes(5000, SEED + 1)),
            ERROR_THEN_EXIT),
        pic("1-bit (-monochrome)", converted("-monochrome", bpp=1), RUNS),
        pic("1-bit (-type bilevel)", converted("-type", "bilevel", bpp=1), RUNS),
        pic("4-bit palette", converted("-colors", "16", *palette, bpp=4, compression=0), RUNS,
            looks=similar_picture(40)),
        pic("8-bit palette", converted("-colors", "256", *palette, bpp=8, compression=0), RUNS,
            looks=similar_picture(12)),
        pic("24-bit", converted("-type", "TrueColor", bpp=24, compression=0), RUNS,
            looks=same_picture),
        pic("32-bit with alpha", converted("-alpha", "on", "-define", "bmp:format=bmp4",
                                           coder="BMP", bpp=32), RUNS, looks=same_picture),
        pic("24-bit top-down", converted("-type", "TrueColor", bpp=24, then=inputs.top_down),
            RUNS, looks=same_picture),
        pic("RLE8", converted("-colors", "256", "-type", "Palette", "-compress", "RLE", bpp=8,
                              compression=1), RUNS, looks=similar_picture(12)),
        pic("RLE4", four_bit_then(inputs.rle4), RUNS, looks=similar_picture(40)),
        # The title beyond the small sheet is white, level box included: the masked digit
        # does not show on white, so the first frame is told by the white.
        pic("300 x 200", converted("-resize", "300x200!", "-type", "TrueColor"), RUNS,
            looks=white_beyond(300, 200), ready=lambda s: s.at(599, 398) == 0xFFFFFF),
        pic("1 x 1", converted("-resize", "1x1!", "-type", "TrueColor"), RUNS,
            looks=white_beyond(1, 1), ready=lambda s: s.at(599, 398) == 0xFFFFFF),
        pic("2400 x 1800", converted("-resize", "2400x1800!", "-type", "TrueColor"), RUNS),
        pic("claims 100000 x 100000", write(inputs.claimed_size(100000, 100000)),
            ERROR_THEN_EXIT),
        pic("claims 40000 x 1", write(inputs.claimed_size(40000, 1)), ERROR_THEN_EXIT),
        pic("claims 1 x -40000", write(inputs.claimed_size(1, -40000)), ERROR_THEN_EXIT),
        pic("claims 0 x 0", write(inputs.claimed_size(0, 0)), ERROR_THEN_EXIT),
        pic("claims 4000 x 4000", write(inputs.claimed_size(4000, 4000)), ERROR_THEN_EXIT),
        pic("claims 16384 x 16384", write(inputs.claimed_size(16384, 16384)), ERROR_THEN_EXIT),
        pic("RLE8 runs of garbage", write(inputs.claimed_size(
            600, 418, bpp=8, compression=1, pixels=inputs.random_bytes(3000, SEED + 4))),
            ERROR_THEN_EXIT),
    ]




def sound_cases():
    cases = []
    for name in ("snd1.wav", "snd2.wav", "snd3.wav"):
        def snd(what, make, expected, **kw):
            cases.append(Case(f"{name} {what}", name, make, expected, **kw))
        snd("missing", missing, ERROR_THEN_EXIT)
        snd("garbage", write(inputs.random_bytes(4000, SEED + 2)), ERROR_THEN_EXIT)
        if name == "snd2.wav":
            continue
        snd("empty", write(b""), ERROR_THEN_EXIT)
        snd("header only", truncated(name, lambda d: inputs.wav_data_offset(d)),
            ERROR_THEN_EXIT)
        snd("truncated at half", truncated(name, lambda d: len(d) // 2), ERROR_THEN_EXIT)
        snd("8-bit unsigned", sound(name, "-e", "unsigned-integer", "-b", "8", bits=8), RUNS)
        snd("stereo", sound(name, "-c", "2", channels=2), RUNS)
        snd("11025 Hz", sound(name, "-r", "11025", rate=11025), RUNS)
        snd("48000 Hz", sound(name, "-r", "48000", rate=48000), RUNS)
    return cases


def record_cases():
    def rec(what, make, expected, **kw):
        return Case(f"b_data.dat {what}", "b_data.dat", make, expected, **kw)
    times = record_bytes({(1, 1): 130, (2, 3): 4207, (5, 10): 59}, level=3)
    noise = inputs.random_bytes(RECORD_SIZE, SEED + 3)
    cases = [
        rec("missing", missing, ERROR_THEN_RUNS, record_after=record_bytes()),
    ]
    for size in (0, 1, 100, 203):
        cases.append(rec(f"{size} byte{'' if size == 1 else 's'}", write(times[:size]),
                         ERROR_THEN_RUNS,
                         record_after=overlaid(times[:size])))
    cases += [
        rec("204 bytes fresh", write(record_bytes()), RUNS, record_after=record_bytes()),
        rec("204 bytes with times", write(times), RUNS, record_after=times, ranking=True),
        rec("longer than 204 bytes", write(times + b"left by another program\n"), RUNS,
            record_after=times),
        rec("204 random bytes", write(noise), RUNS, record_after=clamped(noise), ranking=True),
        rec("every int32 INT_MIN", write(record_bytes(level=INT_MIN, fill=INT_MIN)), RUNS,
            record_after=record_bytes(level=1, fill=INT_MIN), ranking=True),
        rec("every int32 INT_MAX", write(record_bytes(level=INT_MAX, fill=INT_MAX)), RUNS,
            record_after=record_bytes(level=5, fill=INT_MAX), ranking=True),
    ]
    for level, kept in ((0, 1), (-1, 1), (99, 5)):
        cases.append(rec(f"Level {level}", write(with_level(times, level)), RUNS,
                         record_after=with_level(times, kept)))
    cases += [
        rec("read-only 0444", read_only(times), ERROR_THEN_RUNS, record_after=times,
            refuses_save=True),
        rec("a folder in its place", folder, ERROR_THEN_RUNS, refuses_save=True),
    ]
    return cases


CASES = picture_cases() + sound_cases() + record_cases()


class MatrixTest(GameTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.reference = None

    def report(self, line):
        print(line, file=sys.stderr, flush=True)

    def test_damaged_and_unusual_inputs(self):
        self.reference = self.reference_frame()
        self.report("")
        self.report(f"{'case':<36} {'expected':<16} observed")
        names = [c.name for c in CASES]
        self.assertEqual(len(names), len(set(names)), "two cases of the same name")
        for case in CASES:
            with self.subTest(case.name):
                began = time.monotonic()
                observed = self.run_case(case)
                verdict = "" if observed == case.expected else "  <-- differs"
                self.report(f"{case.name:<36} {case.expected:<16} {observed:<16}"
                            f" {time.monotonic() - began:4.1f} s{verdict}")
                self.assertEqual(observed, case.expected)

    def reference_frame(self):
        game = self.start()
        shot = game.title
        game.close()
        return shot

    def run_case(self, case):
        """Runs the game on the case's input and returns the outcome it saw; the checks of
        what follows (the record file, the exit status) are asserted here."""
        play = self.play_folder()
        record = os.path.join(play, "b_data.dat")
        case.make(os.path.join(play, case.file))
        game = self.start(shown=False, folder=play,
                          files=[f for f in DATA_FILES if f != case.file])
        before = read_or_none(record)  # the default ones are in place now
        try:
            observed = self.outcome(game, case)
            if observed in (RUNS, ERROR_THEN_RUNS):
                self.play_and_leave(game, case)
        finally:
            game.close()
        if case.file == "b_data.dat" or observed in (RUNS, ERROR_THEN_RUNS):
            self.check_record(case, record, before)
        return observed

    def outcome(self, game, case):
        deadline = time.monotonic() + CASE_DEADLINE
        boxes = 0
        while time.monotonic() < deadline:
            box = self.x.viewable(BOX_TITLE)
            if box:
                boxes += 1
                self.assertGreater(game.box_text_pixels(box), 50, "an error box without text")
                game.close_box(box)
                continue
            code = game.proc.poll()
            if code is not None:
                if code < 0:
                    return f"SIGNAL {-code}"
                if boxes == 1 and code == 1:
                    return ERROR_THEN_EXIT
                return f"{boxes} BOXES, EXIT {code}"
            if self.x.viewable(CAPTION):
                game.wait_shown(ready=case.ready)
                if boxes > 1:
                    return f"{boxes} BOXES, RUNS"
                return ERROR_THEN_RUNS if boxes else RUNS
            time.sleep(0.02)
        return "HANG"

    def play_and_leave(self, game, case):
        if case.looks:
            case.looks(self, game.title)
        if case.ranking:
            # The click is judged where the pointer is at the next tick: it moves on only
            # once the ranking screen shows.
            game.click(*RANKING)
            game.wait_pixels(lambda s: s.at(5, 5) == 0 and s.at(398, 398) == 0
                             and s.at(30, 30) == 0, what="the ranking screen")
            game.move(*NOWHERE)
            game.click(*NOWHERE)
            game.wait_pixels(lambda s: s.at(30, 30) == game.title.at(30, 30), what="the title")
        game.key("Escape")
        if case.refuses_save:
            box = game.find_box()
            self.assertGreater(game.box_text_pixels(box), 50, "the save's box without text")
            game.close_box(box)
            # The game goes on after the refused save: the title still answers the pointer.
            start = CONTROLS["start"]
            game.move(*START)
            game.wait_pixels(lambda s: s.region(*start) != game.title.region(*start),
                             what="the start button lit")
            self.assertIsNone(game.proc.poll())
        else:
            code = game.wait_exit()
            self.assertEqual(code, 0, code and game.stderr())

    def check_record(self, case, record, before):
        if case.make is folder:
            self.assertTrue(stat.S_ISDIR(os.lstat(record).st_mode), "the folder is gone")
        elif case.record_after is not None:
            self.assertEqual(read_or_none(record), case.record_after, "the record written")
        else:
            self.assertEqual(read_or_none(record), before, "the record changed")
        if case.make is not folder and case.refuses_save:
            self.assertEqual(os.stat(record).st_mode & 0o777, 0o444)
        leftovers = [n for n in os.listdir(os.path.dirname(record)) if n.startswith("b_data.dat.")]
        self.assertEqual(leftovers, [], "a temporary file of the save left behind")


def read_or_none(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except (FileNotFoundError, IsADirectoryError):
        return None


if __name__ == "__main__":
    unittest.main()
