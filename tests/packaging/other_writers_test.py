#!/usr/bin/python3
"""Archives made by other ZIP writers, read the way start-up reads its own: each is appended to
a stand-in runtime that opens the archive behind its own image and lists every entry with the
CRC-32 of what it extracted. 7-Zip encrypts with ZipCrypto, deflated and stored; Python's
zipfile writes plain entries, deflated and stored, and an archive comment."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile
import zlib

PASSWORD = "mz7tqa1wlc5xpyhv8gfb2ruke6nsj0dqw4ly"
ARGS = None


class OtherWritersTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="vtr-other-writers-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.files = {
            "vtr.ini": b"[App]\r\nID=x\r\n",
            "app/index.html": b"<!doctype html>" + b"<p>compressible</p>" * 5000,
            "app/noise.bin": os.urandom(300000),
            "app/empty.txt": b"",
            "app/caf\u00e9/n\u00e4me.txt": "non-ASCII".encode(),
        }
        self.tree = os.path.join(self.dir, "tree")
        for name, data in self.files.items():
            path = os.path.join(self.tree, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)

    def listing(self, archive):
        """What the stand-in runtime reads from Archive appended to its image."""
        exe = os.path.join(self.dir, "runtime")
        shutil.copyfile(ARGS.lister, exe)
        with open(exe, "ab") as out, open(archive, "rb") as src:
            out.write(src.read())
        os.chmod(exe, 0o755)
        r = subprocess.run([exe], capture_output=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        rows = {}
        for line in r.stdout.splitlines():
            name, size, crc, ok = line.split(b"\t")
            rows[name.decode()] = (int(size), crc.decode(), ok.decode())
        return rows

    def assert_reads_every_file(self, archive):
        rows = self.listing(archive)
        for name, data in self.files.items():
            self.assertEqual(rows.get(name), (len(data), "%08x" % zlib.crc32(data), "ok"), name)
        self.assertTrue(all(ok == "ok" for _, _, ok in rows.values()), rows)

    @unittest.skipUnless(shutil.which("7z"), "7z (p7zip-full) is not installed")
    def test_7zip_zipcrypto_archives(self):
        for level in ("-mx=9", "-mx=0"):  # deflated, stored
            with self.subTest(level):
                archive = os.path.join(self.dir, "7z%s.zip" % level)
                r = subprocess.run(["7z", "a", "-tzip", "-p" + PASSWORD, "-mem=ZipCrypto", level, archive, "."],
                                   cwd=self.tree, capture_output=True, text=True, timeout=120)
                self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
                with zipfile.ZipFile(archive) as z:
                    methods = {i.compress_type for i in z.infolist() if not i.is_dir()}
                    self.assertTrue(all(i.flag_bits & 1 for i in z.infolist() if not i.is_dir()))
                self.assertIn(zipfile.ZIP_DEFLATED if level == "-mx=9" else zipfile.ZIP_STORED, methods)
                self.assert_reads_every_file(archive)

    def test_python_zipfile_plain_archive_with_a_comment(self):
        archive = os.path.join(self.dir, "py.zip")
        with zipfile.ZipFile(archive, "w") as z:
            for i, (name, data) in enumerate(self.files.items()):
                z.writestr(name, data, zipfile.ZIP_DEFLATED if i % 2 == 0 else zipfile.ZIP_STORED)
            z.comment = b"written by another tool; PK\x05\x06 inside the comment does not confuse the reader"
        self.assert_reads_every_file(archive)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--lister", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
