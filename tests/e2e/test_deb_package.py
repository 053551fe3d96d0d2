#!/usr/bin/python3
"""The Debian package of a small application, made as the README shows: lintian finds no error,
apt installs it, its desktop entry's Exec line starts it (its window carries the entry's
StartupWMClass and its icon, and its page reaches window.vtr), and purging it leaves nothing of
it behind. Installs into the system, so it needs root."""
import os
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import BIN_DIR, run, wait_until, window_class, window_icons  # noqa: E402

PACKAGE = "com.example.notes"
APP_ID = "com.example.notes"
GREEN = 0xFF20A040
ARCH = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()


def png(side, argb):
    """A PNG file of one colour."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    pixel = bytes(((argb >> 16) & 255, (argb >> 8) & 255, argb & 255, argb >> 24))
    rows = b"".join(b"\0" + pixel * side for _ in range(side))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def apt(*args):
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    return subprocess.run(["apt-get", "-o", "DPkg::Lock::Timeout=600", *args], capture_output=True, text=True,
                          timeout=900, env=env)


@unittest.skipUnless(os.geteuid() == 0, "installing a Debian package needs root (CI runs as root)")
class DebPackageTest(unittest.TestCase):
    def setUp(self):
        if subprocess.run(["dpkg", "-s", PACKAGE], capture_output=True).returncode == 0:
            self.skipTest(PACKAGE + " is installed already; this test would replace it")
        self.dir = tempfile.mkdtemp(prefix="vtr-deb-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        # Whatever happens, the system does not keep the package.
        self.addCleanup(apt, "purge", "-y", PACKAGE)

    def test_installs_starts_from_its_desktop_entry_and_removes_cleanly(self):
        report = os.path.join(self.dir, "report.txt")
        site = os.path.join(self.dir, "site")
        os.makedirs(site)
        with open(os.path.join(site, "index.html"), "w") as f:
            f.write("<!doctype html><title>Notes</title><script>addEventListener('load', () => "
                    "vtr.files.writeTextFile({filePath: %r, contents: 'started ' + location.href}));"
                    "</script><h1>Notes</h1>" % report)
        with open(os.path.join(self.dir, "notes.png"), "wb") as f:
            f.write(png(48, GREEN))
        dist = os.path.join(self.dir, "dist")
        os.makedirs(dist)
        # The README's example.
        r = subprocess.run([os.path.join(BIN_DIR, "vtr-pack"), site, "-o", os.path.join(self.dir, "notes"),
                            "--id", APP_ID, "--name", "Notes", "--dir-name", "app", "--icon",
                            os.path.join(self.dir, "notes.png"), "--deb", dist, "--product-version", "1.0.0",
                            "--maintainer", "Jane Doe <jane@example.org>"],
                           capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        deb = os.path.join(dist, "%s_1.0.0_%s.deb" % (PACKAGE, ARCH))

        lint = subprocess.run(["lintian", "--tag-display-limit", "0", deb], capture_output=True, text=True,
                              timeout=600)
        print("lintian:\n" + lint.stdout + lint.stderr)
        self.assertEqual([line for line in lint.stdout.splitlines() if line.startswith("E:")], [])

        files = [line.split()[5][1:] for line in
                 subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout.splitlines()]
        existed = {path for path in files if os.path.lexists(path)}

        r = apt("install", "-y", deb)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(subprocess.run(["dpkg", "-s", PACKAGE], capture_output=True).returncode, 0)
        self.assertTrue(os.path.isfile("/usr/share/icons/hicolor/48x48/apps/%s.png" % PACKAGE))

        entry = {}
        with open("/usr/share/applications/%s.desktop" % PACKAGE) as f:
            for line in f:
                if "=" in line:
                    key, value = line.rstrip("\n").split("=", 1)
                    entry[key] = value
        self.assertEqual(entry["Icon"], PACKAGE)
        argv = [a for a in shlex.split(entry["Exec"]) if not a.startswith("%")]
        home = os.path.join(self.dir, "home")
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, ".local", "share"))
        proc = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        try:
            self.assertTrue(wait_until(lambda: os.path.exists(report), timeout=60), "the page did not start")
            with open(report, encoding="utf-8-sig") as f:
                text = f.read().strip()
            self.assertTrue(text.startswith("started ") and text.endswith(":///index.html"), text)
            wid = wait_until(lambda: (run("xdotool", "search", "--onlyvisible", "--pid", str(proc.pid)).stdout.split()
                                      or [None])[0], timeout=30)
            self.assertTrue(wid)
            self.assertEqual(window_class(wid), (entry["StartupWMClass"],) * 2)
            icons = window_icons(wid)
            self.assertEqual(list(icons), [(48, 48)])
            self.assertEqual(icons[(48, 48)][24 * 48 + 24], GREEN)
            # Closed as a person closes it; the page's default close hook lets it go.
            run("wmctrl", "-i", "-c", wid)
            self.assertEqual(proc.wait(timeout=30), 0)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()

        r = apt("purge", "-y", PACKAGE)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotEqual(subprocess.run(["dpkg", "-s", PACKAGE], capture_output=True).returncode, 0)
        left = [path for path in files if path not in existed and os.path.lexists(path)]
        self.assertEqual(left, [])
        self.assertFalse(os.path.lexists("/opt/" + APP_ID))


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
