"""The installed launcher's rules, table by table: which arguments it answers or refuses, and
which play folder it picks from HOME and XDG_DATA_HOME. It runs from a temporary prefix laid out
as the build installs it, with a stand-in game that reports where it was started."""

import os
import shutil
import subprocess
import tempfile
import unittest

LAUNCHER = os.environ.get("FROTHY_LAUNCHER", "build/install/frothy")
# launcher folder:game folder:data folder, relative to the prefix
LAYOUT = os.environ.get("FROTHY_LAYOUT", "bin:libexec/frothy:share/games/frothy").split(":")
VERSION = os.environ.get("FROTHY_VERSION", "")
DEFAULTS = ("pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav", "b_data.dat")

STAND_IN = """#!/bin/sh
echo "ran in $PWD with $# arguments"
"""
SHARED_GROUP_GETENT = """#!/bin/sh
[ "$1" = group ] || exec GETENT "$@"
GETENT "$@" | sed 's/$/,somebody_else/; s/:,/:/'
"""


class LauncherTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="frothy_launcher_")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        prefix = os.path.join(self.tmp, "prefix")
        bindir, gamedir, datadir = (os.path.join(prefix, d) for d in LAYOUT)
        for d in (bindir, gamedir, datadir):
            os.makedirs(d)
        self.launcher = os.path.join(bindir, "frothy")
        shutil.copy(LAUNCHER, self.launcher)
        os.chmod(self.launcher, 0o755)
        game = os.path.join(gamedir, "frothy")
        with open(game, "w") as f:
            f.write(STAND_IN)
        os.chmod(game, 0o755)
        for name in DEFAULTS:
            with open(os.path.join(datadir, name), "w") as f:
                f.write("default " + name)
        self.home = os.path.join(self.tmp, "home")
        os.makedirs(self.home)
        self.cwd = os.path.join(self.tmp, "cwd")
        os.makedirs(self.cwd)

    def run_launcher(self, args=(), home="HOME", xdg=None, path=None):
        env = {k: v for k, v in os.environ.items() if k not in ("HOME", "XDG_DATA_HOME")}
        if path is not None:
            env["PATH"] = path + os.pathsep + env.get("PATH", os.defpath)
        if home == "HOME":
            env["HOME"] = self.home
        elif home is not None:
            env["HOME"] = home
        if xdg is not None:
            env["XDG_DATA_HOME"] = xdg.replace("TMP", self.tmp)
        return subprocess.run([self.launcher, *args], env=env, cwd=self.cwd, capture_output=True,
                              text=True, timeout=30)

    def created(self):
        """Every folder made anywhere under the temporary root besides the set-up's own."""
        made = set()
        for top in (self.home, self.cwd, self.tmp):
            for name in os.listdir(top):
                made.add(os.path.relpath(os.path.join(top, name), self.tmp))
        return made - {"prefix", "home", "cwd"}

    def test_arguments(self):
        # args, exit status, text expected on stdout (or stderr when refused)
        cases = [
            (["--help"], 0, "Usage: frothy"),
            (["-h"], 0, "Usage: frothy"),
            (["--version"], 0, f"frothy {VERSION}"),
            (["/usr/bin/id"], 2, "unknown argument '/usr/bin/id'"),
            (["--bogus"], 2, "unknown argument '--bogus'"),
            ([""], 2, "unknown argument ''"),
            (["--version", "--help"], 2, "takes no arguments"),
        ]
        for args, status, text in cases:
            with self.subTest(args=args):
                r = self.run_launcher(args)
                self.assertEqual(r.returncode, status, r.stderr)
                out = r.stdout if status == 0 else r.stderr
                self.assertIn(text, out)
                self.assertNotIn("ran in", r.stdout, "the game was started")
                if status != 0:
                    self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
                self.assertEqual(self.created(), set(), "a play folder was made")

    def test_play_folder(self):
        # HOME (the set-up's home, unset, or a value), XDG_DATA_HOME (unset or a value; TMP is
        # the temporary root), and the play folder relative to TMP, or None for a refusal.
        cases = [
            ("HOME", None, "home/.local/share/frothy"),
            ("HOME", "", "home/.local/share/frothy"),
            ("HOME", "TMP/xdg", "xdg/frothy"),
            ("HOME", "relative/data", "home/.local/share/frothy"),
            ("HOME", "./data", "home/.local/share/frothy"),
            (None, "TMP/xdg", "xdg/frothy"),
            (None, None, None),
            (None, "relative/data", None),
            ("", None, None),
            ("home", None, None),
        ]
        for home, xdg, folder in cases:
            with self.subTest(home=home, xdg=xdg):
                shutil.rmtree(os.path.join(self.home, ".local"), True)
                shutil.rmtree(os.path.join(self.tmp, "xdg"), True)
                r = self.run_launcher(home=home, xdg=xdg)
                if folder is None:
                    self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                    self.assertIn("cannot find the play folder", r.stderr)
                    self.assertEqual(self.created(), set())
                    continue
                self.assertEqual(r.returncode, 0, r.stderr)
                where = os.path.join(self.tmp, folder)
                self.assertEqual(r.stdout, f"ran in {where} with 0 arguments\n")
                self.assertEqual(sorted(os.listdir(where)), sorted(DEFAULTS))
                self.assertFalse(os.path.exists(os.path.join(self.cwd, "relative")))

    def test_a_play_folder_it_cannot_use_is_reported(self):
        # XDG_DATA_HOME (TMP is the temporary root), and the reason the sentence gives.
        with open(os.path.join(self.tmp, "file"), "w") as f:
            f.write("a file, not a folder")
        longer = "TMP/" + "/".join(["d" * 200] * 25)  # 5,000 characters
        cases = [
            (longer, "File name too long"),
            ("TMP/file/data", "Not a directory"),
        ]
        for xdg, why in cases:
            with self.subTest(xdg=xdg[:40]):
                r = self.run_launcher(xdg=xdg)
                self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                lines = r.stderr.strip().splitlines()
                self.assertEqual(len(lines), 1, r.stderr)
                self.assertTrue(lines[0].startswith("frothy: cannot use the play folder "),
                                lines[0][:200])
                self.assertTrue(lines[0].endswith(f"frothy: {why}"), lines[0][-200:])
                self.assertNotIn("ran in", r.stdout, "the game was started")

    def test_only_missing_defaults_are_copied(self):
        folder = os.path.join(self.home, ".local", "share", "frothy")
        os.makedirs(folder)
        for name in ("b_data.dat", "pic.bmp"):
            with open(os.path.join(folder, name), "w") as f:
                f.write("the player's own")
        r = self.run_launcher()
        self.assertEqual(r.returncode, 0, r.stderr)
        for name in DEFAULTS:
            with open(os.path.join(folder, name)) as f:
                mine = name in ("b_data.dat", "pic.bmp")
                self.assertEqual(f.read(), "the player's own" if mine else "default " + name)

    def test_a_play_folder_others_can_write_to_is_refused(self):
        # Someone who can write to the folder could aim the record at any of the player's files.
        folder = os.path.join(self.home, ".local", "share", "frothy")
        # A group other than the player's own that the folder may be given to: root may give
        # it any ("games"); a player only one of their other groups.
        root = os.geteuid() == 0
        if root:
            other_group = 60 if os.getgid() != 60 else 100  # "games", or "users"
        else:
            other_group = next((g for g in os.getgroups() if g != os.getgid()), None)
        # mode, owner (None: the player), group (None: the player's), whether the player's
        # group has other members, refused because, and why the case cannot run (None: it can)
        cases = [
            (0o755, None, None, False, None, None),
            (0o700, None, None, False, None, None),
            (0o777, None, None, False, "every user can write to it", None),
            (0o1777, None, None, False, "every user can write to it", None),
            (0o775, None, other_group, False, "its group can write to it",
             None if other_group is not None else "the player is in no other group"),
            (0o775, None, None, True, "its group can write to it", None),
            (0o755, 42001, None, False, "it belongs to another user",
             None if root else "only root can give a folder to another user"),
        ]
        for mode, owner, group, shared, why, cannot in cases:
            with self.subTest(mode=oct(mode), owner=owner, group=group, shared=shared):
                if cannot:
                    self.skipTest(cannot)
                shutil.rmtree(folder, True)
                os.makedirs(folder)
                os.chmod(folder, mode)
                os.chown(folder, owner if owner is not None else -1,
                         group if group is not None else -1)
                r = self.run_launcher(path=self.group_shared_with_others() if shared else None)
                if why is None:
                    self.assertEqual(r.returncode, 0, r.stderr)
                    self.assertIn("ran in", r.stdout)
                    continue
                self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                self.assertIn(why, r.stderr)
                self.assertNotIn("ran in", r.stdout, "the game was started")
                self.assertEqual(os.listdir(folder), [], "files were copied in")

    def group_shared_with_others(self):
        """A folder for the PATH whose getent names one more member in every group, so that the
        player's own group is one that somebody else shares, without making a user."""
        bindir = os.path.join(self.tmp, "shared-group-bin")
        os.makedirs(bindir, exist_ok=True)
        stand_in = os.path.join(bindir, "getent")
        with open(stand_in, "w") as f:
            f.write(SHARED_GROUP_GETENT.replace("GETENT", shutil.which("getent")))
        os.chmod(stand_in, 0o755)
        return bindir

    def test_a_new_play_folder_is_the_players_alone_whatever_the_umask(self):
        old = os.umask(0)
        try:
            r = self.run_launcher()
        finally:
            os.umask(old)
        self.assertEqual(r.returncode, 0, r.stderr)
        folder = os.path.join(self.home, ".local", "share", "frothy")
        self.assertEqual(os.stat(folder).st_mode & 0o022, 0)


if __name__ == "__main__":
    unittest.main()
