#!/usr/bin/env python3
"""scripts/install-desktop.sh as a user runs it, into a scratch data folder:
the entry validates, starts launch.sh of the tree it came from (a folder name
with spaces, quotes, a dollar sign, a backslash and a percent sign), the
icons are the program's icon at each size, nothing of the user's is touched,
and --uninstall leaves the folder as it was. Starts no Wine.

Usage: install_desktop_test.py SOURCE_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

SOURCE = None
SIZES = (16, 32, 48, 64, 128, 256)


def snapshot(folder):
    """Every path under folder with the bytes of each file."""
    found = {}
    for top, dirs, files in os.walk(folder):
        for name in dirs:
            found[os.path.relpath(os.path.join(top, name), folder) + "/"] = None
        for name in files:
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


def entry_values(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    return dict(line.split("=", 1) for line in lines if "=" in line)


def exec_arguments(value):
    """The Exec key's arguments, unquoted as desktops read them."""
    value = value.replace("\\\\", "\\")  # the string value's escape
    args, current, quoted, i = [], "", False, 0
    while i < len(value):
        c = value[i]
        if quoted and c == "\\" and i + 1 < len(value) and value[i + 1] in '"`$\\':
            current += value[i + 1]
            i += 1
        elif c == '"':
            quoted = not quoted
        elif c == " " and not quoted:
            if current:
                args.append(current)
            current = ""
        elif c == "%" and value[i + 1:i + 2] == "%":
            current += "%"
            i += 1
        else:
            current += c
        i += 1
    args.append(current)
    return args


class DesktopEntry(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="korin-desktop-")
        self.tree = os.path.join(self.scratch, 'my "tools" $HOME \\ 100% korin')
        for part in ("scripts/install-desktop.sh", "scripts/launch.sh",
                     "tools/desktop/ico_to_png.py", "resources/korin.ico"):
            os.makedirs(os.path.dirname(os.path.join(self.tree, part)), exist_ok=True)
            shutil.copy(os.path.join(SOURCE, part), os.path.join(self.tree, part))
        self.data = os.path.join(self.scratch, "data")
        os.makedirs(self.data)

    def tearDown(self):
        shutil.rmtree(self.scratch)

    def install(self, *arguments, **environment):
        env = dict(os.environ, HOME=self.scratch, XDG_DATA_HOME=self.data)
        env.pop("KORIN_64BIT_ONLY", None)
        env.update(environment)
        return subprocess.run(["bash", os.path.join(self.tree, "scripts/install-desktop.sh")]
                              + list(arguments), env=env, capture_output=True, text=True)

    def test_installs_a_valid_entry_with_the_icon_and_removes_exactly_it(self):
        # The user's own entries and icons, in folders the install shares.
        for path in ("applications/editor.desktop", "icons/hicolor/48x48/apps/editor.png"):
            os.makedirs(os.path.dirname(os.path.join(self.data, path)), exist_ok=True)
            with open(os.path.join(self.data, path), "w") as f:
                f.write("the user's")
        before = snapshot(self.data)

        done = self.install()
        self.assertEqual(0, done.returncode, done.stderr)
        entry = os.path.join(self.data, "applications/korin.desktop")
        checked = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        self.assertEqual((0, ""), (checked.returncode, checked.stdout + checked.stderr))
        values = entry_values(entry)
        self.assertEqual("Korin", values["Name"])
        self.assertEqual("Korin", values["Name[ja]"])
        self.assertTrue(values["Comment"].isascii())
        self.assertFalse(values["Comment[ja]"].isascii(), "a Japanese comment")
        self.assertTrue({"Graphics", "RasterGraphics"} <= set(values["Categories"].split(";")))
        self.assertEqual(["bash", os.path.join(self.tree, "scripts/launch.sh")],
                         exec_arguments(values["Exec"]))
        self.assertEqual("korin", values["Icon"])

        with Image.open(os.path.join(self.tree, "resources/korin.ico")) as icon:
            for size in SIZES:
                source = 32 if size % 32 == 0 else 16
                expected = icon.ico.getimage((source, source)).convert("RGBA").resize(
                    (size, size), Image.NEAREST)
                path = os.path.join(self.data, "icons/hicolor/%dx%d/apps/korin.png" % (size, size))
                with Image.open(path) as png:
                    self.assertEqual((size, size), png.size)
                    self.assertEqual(expected.tobytes(), png.convert("RGBA").tobytes(), "%d pixels" % size)

        # Again on a machine that runs no 32-bit programs: the entry says so.
        done = self.install(KORIN_64BIT_ONLY="1")
        self.assertEqual(0, done.returncode, done.stderr)
        self.assertEqual(["env", "KORIN_64BIT_ONLY=1", "bash"],
                         exec_arguments(entry_values(entry)["Exec"])[:3])

        done = self.install("--uninstall")
        self.assertEqual(0, done.returncode, done.stderr)
        self.assertEqual(before, snapshot(self.data))

    def test_leaves_an_entry_it_did_not_write_alone(self):
        mine = os.path.join(self.data, "applications/korin.desktop")
        os.makedirs(os.path.dirname(mine))
        with open(mine, "w") as f:
            f.write("the user's")
        before = snapshot(self.data)
        done = self.install()
        self.assertNotEqual(0, done.returncode)
        self.assertIn("not installed by this script", done.stderr)
        self.assertEqual(before, snapshot(self.data))
        self.assertEqual(0, self.install("--uninstall").returncode)
        self.assertEqual(before, snapshot(self.data))


if __name__ == "__main__":
    SOURCE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
