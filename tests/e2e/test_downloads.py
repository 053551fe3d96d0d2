#!/usr/bin/python3
"""Downloads from a packed page are never silent or lost: the save dialog, owned by the window,
asks where each one goes (starting in the user's download folder with the page's name), a
cancelled one writes nothing, a failure says why, and a file that is already there is replaced
only when the user says so, and only by a complete one."""
import errno
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import PROBE, E2ETestCase, activate, enter, prompts, run, titled, wait_until  # noqa: E402

SAVE = "Save As"
FAILED = "Download failed"
MADE = b"made in the page\n" * 4096


def read(path):
    with open(path, "rb") as f:
        return f.read()


def probe_file(name):
    return read(os.path.join(PROBE, name))


class DownloadsTest(E2ETestCase):
    def mount_full_disk(self):
        """A 1 MiB tmpfs holding old.bin, filled up; None where mounting is not allowed."""
        folder = tempfile.mkdtemp(prefix="vtr-e2e-full-")
        self.addCleanup(os.rmdir, folder)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", folder],
                          capture_output=True).returncode != 0:
            return None
        self.addCleanup(subprocess.run, ["umount", "-l", folder], capture_output=True)
        with open(os.path.join(folder, "old.bin"), "wb") as f:
            f.write(b"keep me")
        with open(os.path.join(folder, "filler"), "wb", buffering=0) as f:
            try:
                while True:
                    f.write(b"\0" * 4096)
            except OSError as e:
                self.assertEqual(e.errno, errno.ENOSPC)
        return folder

    def go(self, app, name):
        app.wait_file("dl-%s.json" % name)
        open(app.path("dl-%s.json.go" % name), "w").close()

    def save_dialog(self):
        self.assertTrue(activate(SAVE), "no save dialog")

    def failure_shown(self):
        """The failure message is there, owned by the window; it is closed as a person would."""
        wid = activate(FAILED)
        self.assertTrue(wid, "no failure message")
        run("xdotool", "key", "Return")
        self.assertTrue(wait_until(lambda: not titled(FAILED), timeout=10))

    def start(self, app):
        """Starts the application with its own download folder; the process and that folder."""
        downloads = app.path("Downloads")
        os.mkdir(downloads)
        config = app.path("config")
        os.mkdir(config)
        with open(os.path.join(config, "user-dirs.dirs"), "w") as f:
            f.write('XDG_DOWNLOAD_DIR="%s"\n' % downloads)
        return app.start(env={"XDG_CONFIG_HOME": config}), downloads

    def test_downloads_ask_where_and_lose_nothing(self):
        app = self.pack({"IndexHtml": "downloads.html"})
        full = self.mount_full_disk()
        proc, downloads = self.start(app)
        pid = proc.pid
        here = os.path.realpath(app.dir) + "/"

        # A file of the archive, under its own name, in the download folder as offered.
        self.go(app, "archive")
        self.save_dialog()
        self.assertEqual(enter(pid, SAVE), [])
        target = os.path.join(downloads, "data.json")
        self.assertTrue(wait_until(lambda: os.path.exists(target)), os.listdir(downloads))
        self.assertEqual(read(target), probe_file("web/data.json"))

        # The name the link gives.
        self.go(app, "renamed")
        self.save_dialog()
        self.assertEqual(enter(pid, SAVE), [])
        target = os.path.join(downloads, "renamed.bin")
        self.assertTrue(wait_until(lambda: os.path.exists(target)), os.listdir(downloads))
        self.assertEqual(read(target), probe_file("web/blob.bin"))

        # Cancelled: nothing is written, the file there stays as it is.
        with open(os.path.join(downloads, "data.json"), "wb") as f:
            f.write(b"mine")
        self.go(app, "cancel")
        self.save_dialog()
        run("xdotool", "key", "Escape")
        self.assertTrue(wait_until(lambda: not titled(SAVE), timeout=10))

        # What the page makes, saved where the user types.
        self.go(app, "made")
        self.save_dialog()
        self.assertEqual(enter(pid, SAVE, here + "made-here.txt", location=False), [])
        self.assertTrue(wait_until(lambda: os.path.exists(app.path("made-here.txt"))))
        self.assertTrue(wait_until(lambda: read(app.path("made-here.txt")) == MADE))

        # The same name again: replaced only after the user confirms.
        with open(app.path("made-here.txt"), "wb") as f:
            f.write(b"old")
        self.go(app, "replace")
        self.save_dialog()
        asked = enter(pid, SAVE, here + "made-here.txt", location=False)
        self.assertEqual(len(asked), 1, "no question before replacing")
        self.assertEqual(read(app.path("made-here.txt")), b"old")
        run("xdotool", "windowactivate", "--sync", asked[0])
        run("xdotool", "key", "Return")  # its default: replace
        self.assertTrue(wait_until(lambda: read(app.path("made-here.txt")) == MADE))

        # A file that is nowhere: the user hears so, and is not asked where to save it.
        self.go(app, "missing")
        self.failure_shown()
        self.assertFalse(titled(SAVE))

        # A page of the archive that cannot be shown is saved, and the page stays.
        self.go(app, "navigate")
        self.save_dialog()
        self.assertEqual(enter(pid, SAVE, here + "navigated.bin", location=False), [])
        self.assertTrue(wait_until(lambda: os.path.exists(app.path("navigated.bin"))))
        self.assertEqual(read(app.path("navigated.bin")), probe_file("web/blob.bin"))

        # A full disk: each failure is reported, and the file there stays whole.
        for name in ("full-archive", "full-made"):
            with self.subTest(step=name):
                self.go(app, name)
                self.save_dialog()
                if full is None:
                    run("xdotool", "key", "Escape")
                    continue
                old = os.path.join(full, "old.bin")
                asked = enter(pid, SAVE, old, location=False)
                self.assertEqual(len(asked), 1, "no question before replacing")
                run("xdotool", "windowactivate", "--sync", asked[0])
                run("xdotool", "key", "Return")
                self.failure_shown()
                self.assertEqual(read(old), b"keep me")
                self.assertEqual(sorted(os.listdir(full)), ["filler", "old.bin"])

        self.assertEqual(read(os.path.join(downloads, "data.json")), b"mine")
        report = app.wait_file("dl-end.json")
        self.assertTrue(report["stillHere"])
        open(app.path("dl-end.json.go"), "w").close()
        self.assertEqual(proc.wait(timeout=20), 0)
        if full is None:
            self.skipTest("a full disk needs a tmpfs mount (root)")

    def test_closing_mid_download_leaves_no_half_file(self):
        # Large enough that saving it takes a second or more: the cipher reads about 100 MB/s.
        app = self.pack({"IndexHtml": "downloads.html#close"}, extra={"web/huge.bin": os.urandom(200 << 20)})
        proc, downloads = self.start(app)
        self.go(app, "huge")
        self.save_dialog()
        self.assertEqual(enter(proc.pid, SAVE), [])
        partial = lambda: [n for n in os.listdir(downloads) if n.startswith("huge.bin.part-")]
        self.assertTrue(wait_until(partial, timeout=20), os.listdir(downloads))
        self.go(app, "end")  # the page closes the application
        self.assertEqual(proc.wait(timeout=30), 0)
        # Closed before the file was complete: neither it nor a part of it is left.
        self.assertEqual(os.listdir(downloads), [])


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
