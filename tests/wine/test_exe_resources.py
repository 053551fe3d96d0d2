#!/usr/bin/python3
"""Rewritten Windows executables read back by Windows' own resource functions, under Wine.

vtr-pack brands the cross-built fixtures (icon and version strings) and appends its archive;
the checker rescheck.exe then reports what FindResource, LoadResource, EnumResource*,
CreateIconFromResourceEx, GetFileVersionInfo and VerQueryValue see, and each packed program is
run to show that it still loads. Wine runs in a temporary prefix of its own. Exits 77 (skipped)
when wine is not installed."""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ARGS = None
SKIP = 77


def crc(data):
    return "%08x" % (zlib.crc32(data) & 0xFFFFFFFF)


def icon_images(path):
    with open(path, "rb") as f:
        data = f.read()
    count = struct.unpack_from("<H", data, 4)[0]
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        images.append(data[offset:offset + size])
    return images


class Report:
    """What rescheck.exe printed, by kind of line."""

    def __init__(self, text):
        self.resources, self.entries, self.icons, self.strings = {}, [], {}, {}
        self.translations, self.best, self.fixed = [], None, None
        for line in text.splitlines():
            kind, _, rest = line.partition(" ")
            if kind == "resource":
                type_, name, lang, size, checksum = rest.split(" ")
                self.resources[(type_, name, int(lang))] = (int(size), checksum)
            elif kind == "entry":
                self.entries.append([int(v) for v in rest.split(" ")[1:]])
            elif kind == "icon":
                id_, size, checksum, state = rest.split(" ")
                self.icons[int(id_)] = (int(size), checksum, state)
            elif kind == "translation":
                self.translations.append(rest)
            elif kind == "string":
                translation, _, pair = rest.partition(" ")
                key, _, value = pair.partition("=")
                self.strings[(translation, key)] = value
            elif kind == "best":
                self.best = int(rest)
            elif kind == "fixed":
                self.fixed = rest

    def without(self, *types, icons=()):
        return {k: v for k, v in self.resources.items()
                if k[0] not in types and not (k[0] == "3" and int(k[1]) in icons)}


class WineResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="vtr-wine-")
        # Headless: without a display Wine opens no window that the GUI tests running beside
        # this one could see, and the checker needs none.
        cls.env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        cls.env.update(WINEPREFIX=os.path.join(cls.dir, "prefix"), WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml=")
        cls.app = os.path.join(cls.dir, "site")
        os.makedirs(cls.app)
        with open(os.path.join(cls.app, "index.html"), "wb") as f:
            f.write(b"<!doctype html><p>branded</p>")

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=cls.env, capture_output=True, timeout=60)
        shutil.rmtree(cls.dir, ignore_errors=True)

    def fixture(self, name):
        return os.path.join(ARGS.fixtures, name)

    def wine(self, *args):
        # The first call creates the prefix, which takes a while on a slow machine.
        return subprocess.run(["wine", *args], env=self.env, capture_output=True, timeout=600)

    def check(self, path):
        r = self.wine(ARGS.checker, "Z:" + os.path.abspath(path))
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        return Report(r.stdout.decode("utf-8"))

    def run_program(self, path):
        r = self.wine(path)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn(b"vtr fixture section", r.stdout)

    def pack(self, runtime, output, *options):
        out = os.path.join(self.dir, output)
        r = subprocess.run([ARGS.vtr_pack, self.app, "-o", out, "--runtime", self.fixture(runtime), "--id",
                            "com.example.branded", "--name", "Branded", "--dir-name", "app", "-q", *options],
                           capture_output=True, text=True, timeout=120)
        self.assertEqual(r.returncode, 0, r.stderr)
        return out

    def expect_icon(self, report, ico):
        images = icon_images(ico)
        self.assertEqual([e[0] for e in report.entries], list(range(1, len(images) + 1)))
        for i, image in enumerate(images, start=1):
            self.assertEqual(report.icons[i], (len(image), crc(image), "ok"))
        self.assertIn(report.best, report.icons)
        self.assertEqual(report.resources[("14", '"MAINICON"', 1033)][0], 6 + 14 * len(images))

    def test_icon_and_version_strings_as_windows_reads_them(self):
        product = "Notes \u2014 a product name far longer than the old one"
        packed = self.pack("branded.exe", "notes.exe", "--icon", self.fixture("three.ico"),
                           "--company-name", "Example Ltd", "--product-name", product,
                           "--original-file-name", "notes.exe", "--comments", "")
        before = self.check(self.fixture("branded.exe"))
        after = self.check(packed)

        self.assertEqual(len(before.entries), 5)
        self.expect_icon(after, self.fixture("three.ico"))
        # Icons 4 and 5 went with the old group; the other group and its icons 6 and 7 stay,
        # like every resource that was not rewritten.
        self.assertEqual(sorted(k[1] for k in after.resources if k[0] == "3"), ["1", "2", "3", "6", "7"])
        self.assertEqual(after.without("14", "16", icons=range(1, 6)), before.without("14", "16", icons=range(1, 6)))
        self.assertEqual(after.resources[("14", '"SECOND"', 1033)], before.resources[("14", '"SECOND"', 1033)])

        # The version resource stays German: no neutral copy hides or shadows it.
        self.assertEqual([k for k in after.resources if k[0] == "16"], [("16", "1", 1031)])
        self.assertEqual(after.translations, ["040904B0", "040704E4"])
        self.assertEqual(after.fixed, before.fixed)
        expected = dict(before.strings)
        for t in after.translations:
            for key, value in (("CompanyName", "Example Ltd"), ("ProductName", product),
                               ("OriginalFilename", "notes.exe"), ("Comments", "")):
                if (t, key) in before.strings:
                    expected[(t, key)] = value
        self.assertEqual(after.strings, expected)
        self.assertNotIn(("040704E4", "OriginalFilename"), after.strings)

        self.run_program(packed)

    def test_a_large_icon_moves_the_relocations_or_takes_a_new_section(self):
        for runtime in ("branded.exe", "branded-wall.exe"):
            with self.subTest(runtime):
                packed = self.pack(runtime, "big-" + runtime, "--icon", self.fixture("big.ico"))
                before = self.check(self.fixture(runtime))
                after = self.check(packed)
                self.expect_icon(after, self.fixture("big.ico"))
                self.assertEqual(after.without("14", icons=range(1, 6)), before.without("14", icons=range(1, 6)))
                self.assertEqual(after.strings, before.strings)
                self.run_program(packed)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--vtr-pack", required=True)
    parser.add_argument("--checker", required=True)
    parser.add_argument("--fixtures", required=True)
    ARGS, rest = parser.parse_known_args()
    if shutil.which("wine") is None or shutil.which("wineserver") is None:
        print("wine is not installed: the Windows resource check is skipped (scripts/setup.sh installs it)")
        sys.exit(SKIP)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
