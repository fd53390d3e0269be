"""The Debian package as a player gets it: built by tools/package.sh, its file list and control
fields, lintian, the metainfo and the desktop entry validated, and the installed game (unpacked
with dpkg -x into a temporary root) started once under Xvfb: its window comes up, the level is
changed, and Escape saves the record in the play folder."""

import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "window"))
import harness  # noqa: E402
from harness import LEVEL_BOX, LEVEL_UP, Game, Xvfb  # noqa: E402

SOURCE = os.environ.get("FROTHY_SOURCE", "..")
BUILD = os.environ.get("FROTHY_PACKAGE_BUILD", "build-test/package")
VERSION = os.environ.get("FROTHY_VERSION", "1.0")
APP_ID = "io.github.frothy.Frothy"

EXPECTED = {
    "usr/games/frothy": 0o755,
    "usr/lib/games/frothy/frothy": 0o755,
    **{f"usr/share/games/frothy/{f}": 0o644
       for f in ("pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav", "b_data.dat")},
    f"usr/share/applications/{APP_ID}.desktop": 0o644,
    **{f"usr/share/icons/hicolor/{s}x{s}/apps/frothy.png": 0o644 for s in (32, 48, 128, 256)},
    f"usr/share/metainfo/{APP_ID}.metainfo.xml": 0o644,
    "usr/share/man/man6/frothy.6.gz": 0o644,
    "usr/share/doc/frothy/copyright": 0o644,
    "usr/share/doc/frothy/changelog.gz": 0o644,
}


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, **kw)


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="frothy_package_")
        cls.addClassCleanup(shutil.rmtree, cls.tmp, True)
        r = run(os.path.join(SOURCE, "tools", "package.sh"), BUILD, os.path.join(cls.tmp, "dist"))
        if r.returncode != 0:
            raise AssertionError("tools/package.sh failed:\n" + r.stdout + r.stderr)
        cls.deb = r.stdout.strip().splitlines()[-1]
        cls.root = os.path.join(cls.tmp, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)

    def field(self, name):
        return run("dpkg-deb", "-f", self.deb, name, check=True).stdout.strip()

    def test_name_and_control_fields(self):
        arch = run("dpkg", "--print-architecture", check=True).stdout.strip()
        self.assertEqual(os.path.basename(self.deb), f"frothy_{VERSION}_{arch}.deb")
        self.assertEqual(self.field("Package"), "frothy")
        self.assertEqual(self.field("Version"), VERSION)
        self.assertEqual(self.field("Section"), "games")
        depends = [d.strip().split()[0] for d in self.field("Depends").split(",")]
        for needed in ("libc6", "libstdc++6", "libsdl2-2.0-0", "libsdl2-ttf-2.0-0",
                       "libsdl2-mixer-2.0-0", "fonts-dejavu-extra"):
            self.assertIn(needed, depends)
        # Only the game's own runtime: nothing the build or the tests needed.
        for dev in depends:
            self.assertFalse(dev.endswith("-dev"), dev)

    def test_file_list_and_modes(self):
        listed = run("dpkg-deb", "-c", self.deb, check=True).stdout.splitlines()
        files = {}
        for line in listed:
            mode, owner, _size, _date, _time, path = line.split(None, 5)
            self.assertEqual(owner, "root/root", line)
            if mode.startswith("-"):
                files[path.removeprefix("./")] = mode
            else:
                self.assertEqual(mode, "drwxr-xr-x", line)
        self.assertEqual(sorted(files), sorted(EXPECTED))
        for path, want in EXPECTED.items():
            got = os.stat(os.path.join(self.root, path)).st_mode
            self.assertEqual(stat.S_IMODE(got), want, path)

    def test_lintian_finds_no_errors(self):
        r = run("lintian", "--fail-on", "error", "--no-tag-display-limit", self.deb)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotIn("E: ", r.stdout)

    def test_metainfo_and_desktop_entry_validate(self):
        metainfo = os.path.join(self.root, f"usr/share/metainfo/{APP_ID}.metainfo.xml")
        r = run("appstreamcli", "validate", "--no-net", "--explain", metainfo)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        with open(metainfo) as f:
            text = f.read()
        for piece in (f"<id>{APP_ID}</id>", f'<launchable type="desktop-id">{APP_ID}.desktop',
                      'content_rating type="oars-1.1"', "<control>pointing</control>",
                      "<screenshot", f'<release version="{VERSION}"'):
            self.assertIn(piece, text)
        entry = os.path.join(self.root, f"usr/share/applications/{APP_ID}.desktop")
        r = run("desktop-file-validate", entry)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def test_installed_game_starts_and_escape_saves_the_record(self):
        home = os.path.join(self.tmp, "home")
        data_home = os.path.join(home, "data")
        os.makedirs(home, exist_ok=True)
        x = Xvfb()
        self.addCleanup(x.close)
        # The installed launcher in place of the bare game; it picks the play folder itself.
        harness.BINARY = os.path.join(self.root, "usr/games/frothy")
        game = Game(x, files=(), extra_env={"HOME": home, "XDG_DATA_HOME": data_home})
        self.addCleanup(game.close)
        game.wait_shown()
        folder = os.path.join(data_home, "frothy")
        for name in ("b_data.dat", "pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav"):
            self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)
        with open(os.path.join(folder, "b_data.dat"), "rb") as f:
            self.assertEqual(f.read()[200:], b"\x01\x00\x00\x00")
        before = game.shot().region(*LEVEL_BOX)
        game.click(*LEVEL_UP)
        game.wait_pixels(lambda s: s.region(*LEVEL_BOX) != before, what="level 2 shown")
        game.key("Escape")
        self.assertEqual(game.wait_exit(), 0, game.stderr())
        with open(os.path.join(folder, "b_data.dat"), "rb") as f:
            record = f.read()
        self.assertEqual(len(record), 204)
        self.assertEqual(record[200:], b"\x02\x00\x00\x00", "level 2 was not saved")


if __name__ == "__main__":
    unittest.main()
