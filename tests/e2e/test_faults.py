#!/usr/bin/python3
"""A damaged application file gives a clear outcome: a message and an exit code, never a crash."""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import BIN_DIR, E2ETestCase, run, wait_until  # noqa: E402


def runtime_size():
    return os.path.getsize(os.path.join(BIN_DIR, "vtr"))


class DamagedArchiveTest(E2ETestCase):
    def start_damaged(self, damage):
        app = self.pack({"IndexHtml": "ready.html"})
        with open(app.exe, "r+b") as f:
            damage(f, runtime_size(), os.path.getsize(app.exe))
        return app, app.start()

    def answer_box(self, proc, title):
        """Waits for the process's message box titled Title and presses Enter on it."""
        wid = wait_until(lambda: [w for w in run("xdotool", "search", "--onlyvisible", "--pid", str(proc.pid))
                                  .stdout.split() if run("xdotool", "getwindowname", w).stdout.strip() == title],
                         timeout=30)
        if not wid:
            self.fail("no %r box; output: %s" % (title, proc.stdout.read() if proc.poll() is not None else "(running)"))
        run("xdotool", "windowactivate", "--sync", wid[0])
        run("xdotool", "key", "Return")
        return proc.wait(timeout=30)

    def test_an_archive_cut_short_is_reported_and_ends_with_code_1(self):
        def cut(f, start, end):
            f.truncate(start + (end - start) // 2)
        app, proc = self.start_damaged(cut)
        self.assertEqual(self.answer_box(proc, "Error"), 1)

    def test_nothing_appended_shows_the_localized_message_and_ends_with_code_0(self):
        def strip(f, start, end):
            f.truncate(start)
        app, proc = self.start_damaged(strip)
        self.assertEqual(self.answer_box(proc, "Error"), 0)

    def test_a_damaged_configuration_ends_silently(self):
        # The first entry is vtr.ini: flipping its bytes leaves no usable ID.
        def scramble(f, start, end):
            f.seek(start + 30 + len("vtr.ini") + 12)
            data = bytearray(f.read(8))
            f.seek(start + 30 + len("vtr.ini") + 12)
            f.write(bytes(b ^ 0x5A for b in data))
        app, proc = self.start_damaged(scramble)
        self.assertEqual(proc.wait(timeout=30), 0)

    def test_a_damaged_page_is_served_without_crashing(self):
        def flip_page(f, start, end):
            f.seek(start)
            data = f.read()
            at = data.find(b"app/ready.html")
            self.assertGreater(at, 0)
            pos = start + at + len("app/ready.html") + 40
            f.seek(pos)
            byte = f.read(1)
            f.seek(pos)
            f.write(bytes([byte[0] ^ 0xFF]))
        app, proc = self.start_damaged(flip_page)
        time.sleep(6)
        if proc.poll() is not None:
            self.fail("the runtime ended with %s: %s" % (proc.returncode, proc.stdout.read()))


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
