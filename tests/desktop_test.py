"""The game on a desktop: an install into a temporary prefix with its launcher, desktop entry and
icons, run once under Xvfb; and a run at a forced 2x scale, checked by screenshot."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "window"))
from harness import Game, Shot, Xvfb, wait_until  # noqa: E402

BUILD = os.environ.get("FROTHY_BUILD", "build")
SOURCE = os.environ.get("FROTHY_SOURCE", "..")
# launcher folder:game folder:data folder, relative to the prefix
BINDIR, GAMEDIR, DATADIR = os.environ.get("FROTHY_LAYOUT", "bin:libexec/frothy:share/games/frothy").split(":")


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", head[16:24])


class InstallTest(unittest.TestCase):
    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="frothy_prefix_")
        self.home = tempfile.mkdtemp(prefix="frothy_home_")
        self.addCleanup(shutil.rmtree, self.prefix, True)
        self.addCleanup(shutil.rmtree, self.home, True)
        # Only the game's component: its manifest is install_manifest_game.txt, so the player's
        # own install_manifest.txt in the build folder stays as it was.
        subprocess.run(["cmake", "--install", BUILD, "--prefix", self.prefix, "--component", "game"],
                       check=True, capture_output=True)

    def test_installed_files_entry_and_icons(self):
        p = self.prefix
        for f in ("pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav", "b_data.dat"):
            self.assertTrue(os.path.isfile(f"{p}/{DATADIR}/{f}"), f)
        self.assertTrue(os.access(f"{p}/{BINDIR}/frothy", os.X_OK))
        self.assertTrue(os.access(f"{p}/{GAMEDIR}/frothy", os.X_OK))
        entry = f"{p}/share/applications/io.github.frothy.Frothy.desktop"
        r = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        with open(entry) as f:
            text = f.read()
        self.assertIn("Categories=Game;", text)
        self.assertIn("Icon=frothy", text)
        for size in (32, 128):
            icon = f"{p}/share/icons/hicolor/{size}x{size}/apps/frothy.png"
            self.assertEqual(png_size(icon), (size, size))

    def test_uninstall_removes_every_installed_file(self):
        manifest = os.path.join(BUILD, "install_manifest_game.txt")
        with open(manifest) as f:
            listed = f.read().split()
        self.assertTrue(listed and all(p.startswith(self.prefix) for p in listed), listed)
        subprocess.run(["cmake", "-D", f"MANIFEST={manifest}", "-P",
                        os.path.join(SOURCE, "tools", "uninstall.cmake")],
                       check=True, capture_output=True)
        left = [os.path.join(d, f) for d, _, files in os.walk(self.prefix) for f in files]
        self.assertEqual(left, [])

    def test_a_home_install_and_its_uninstall_leave_the_play_folder_alone(self):
        # The prefix ~/.local puts share/ where the play folder lives.
        prefix = os.path.join(self.home, ".local")
        folder = os.path.join(prefix, "share", "frothy")
        os.makedirs(folder)
        mine = {"b_data.dat": b"\x05\x00\x00\x00" + b"\xff" * 196 + b"\x03\x00\x00\x00",
                "pic.bmp": b"the player's own picture"}
        for name, data in mine.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix, "--component", "game"],
                       check=True, capture_output=True)
        subprocess.run(["cmake", "-D", f"MANIFEST={BUILD}/install_manifest_game.txt", "-P",
                        os.path.join(SOURCE, "tools", "uninstall.cmake")],
                       check=True, capture_output=True)
        self.assertEqual(sorted(os.listdir(folder)), sorted(mine))
        for name, data in mine.items():
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual(f.read(), data, name)

    def test_launcher_prepares_the_play_folder_and_starts_the_game(self):
        folder = os.path.join(self.home, ".local", "share", "frothy")
        os.makedirs(folder)
        mine = b"\x05\x00\x00\x00" + b"\xff" * 196 + b"\x03\x00\x00\x00"
        with open(os.path.join(folder, "b_data.dat"), "wb") as f:
            f.write(mine)
        x = Xvfb()
        self.addCleanup(x.close)
        env = x.env()
        env.pop("XDG_DATA_HOME", None)
        env["HOME"] = self.home
        env["SDL_AUDIODRIVER"] = "dummy"
        proc = subprocess.Popen([f"{self.prefix}/{BINDIR}/frothy"], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: proc.poll() is None and proc.kill())

        def window():
            r = x.run("xwininfo", "-name", "FROTHY!", check=False)
            return r.returncode == 0 and "IsViewable" in r.stdout
        wait_until(window, 10, "the installed game's window")
        for f in ("pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav"):
            self.assertTrue(os.path.isfile(os.path.join(folder, f)), f)
        proc.terminate()  # a close request: the record file is written in the play folder
        self.assertEqual(proc.wait(10), 0)
        with open(os.path.join(folder, "b_data.dat"), "rb") as f:
            self.assertEqual(f.read(), mine, "the player's record was replaced")


class ScaledTest(unittest.TestCase):
    def test_twice_the_size_with_sharp_pixels_and_the_pointer_mapped_back(self):
        x = Xvfb(1600, 1200)
        self.addCleanup(x.close)
        plain = Game(x)
        self.addCleanup(plain.close)
        reference = plain.wait_shown()
        plain.close()

        game = Game(x, extra_env={"GDK_SCALE": "2"})
        self.addCleanup(game.close)
        game.find_window()
        geo = game.geometry()
        self.assertEqual((geo["Width"], geo["Height"]), (1200, 798))
        shot = wait_until(lambda: (lambda s: s if s.at(2 * 236, 2 * 322) == reference.at(236, 322)
                                   else None)(game.shot()), 10, "the scaled frame")
        # Every client pixel is a sharp 2 x 2 block of the same colour.
        for cx, cy in ((10, 10), (200, 100), (236, 322), (450, 250), (599, 398)):
            block = {shot.at(2 * cx + i, 2 * cy + j) for i in (0, 1) for j in (0, 1)}
            self.assertEqual(block, {reference.at(cx, cy)}, (cx, cy))
        # The pointer over the start button, in window pixels, lights it.
        start = (2 * 163, 2 * 189, 140, 34)
        before = shot.region(*start)
        game.move(2 * 197, 2 * 197)
        game.wait_pixels(lambda s: s.region(*start) != before, what="the lit start button")


if __name__ == "__main__":
    unittest.main()
