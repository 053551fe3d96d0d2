#!/usr/bin/python3
"""File writes from a packed page. A link that another user planted in a shared folder is not
followed by any of the three writing functions, while the user's own links still are; and a write
keeps the file it writes into: a hard link's other name, another user's group file, a FIFO."""
import os
import stat
import sys
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase, PROBE, run  # noqa: E402

BOM = b"\xef\xbb\xbf"
NOBODY = 65534


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def as_nobody(*cmd, cwd):
    """Runs cmd as the other user, the way an attacker on the same machine would."""
    result = run("setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups", *cmd, cwd=cwd)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (cmd, result.stderr))


@unittest.skipUnless(os.geteuid() == 0, "playing another user needs root")
class FileWritesTest(E2ETestCase):
    def test_writes_follow_only_trusted_links_and_keep_the_file(self):
        app = self.pack({"IndexHtml": "file-writes.html"})
        os.chmod(app.dir, 0o755)  # the other user may look in
        shared = app.path("shared")
        os.mkdir(shared)
        os.chmod(shared, 0o1777)  # like /tmp
        victims = {"victim.txt": b"secret text", "victim.bin": b"secret bytes"}
        for name, data in victims.items():
            write(app.path(name), data)
        traps = {"trap.txt": "../victim.txt", "trap.bin": "../victim.bin", "trap.html": "../victim.html",
                 "trapdir": ".."}
        for name, target in traps.items():
            as_nobody("ln", "-s", target, name, cwd=shared)
        for name in ("mine.txt", "mine.bin", "mine.html"):
            os.symlink("../own-" + name, os.path.join(shared, name))

        write(app.path("linked-a.txt"), b"old")
        os.link(app.path("linked-a.txt"), app.path("linked-b.txt"))
        os.mkdir(app.path("group"))
        theirs = app.path("group/theirs.txt")
        write(theirs, b"old")
        os.chown(theirs, NOBODY, NOBODY)
        os.chmod(theirs, 0o664)

        os.mkfifo(app.path("nobody.fifo"))
        os.mkfifo(app.path("reader.fifo"))
        received = []
        reader = threading.Thread(target=lambda: received.append(read(app.path("reader.fifo"))), daemon=True)
        reader.start()
        self.addCleanup(self.release_reader, app.path("reader.fifo"), reader)

        proc = app.start()
        r = app.wait_file("report.json")

        for key, result in r["foreign"].items():
            self.assertFalse(result["ok"], key)
            self.assertIn("belongs to another user in a shared folder", result["value"], key)
        for name, data in victims.items():
            self.assertEqual(read(app.path(name)), data, name)
        self.assertFalse(os.path.lexists(app.path("victim.html")))
        for name in traps:
            self.assertEqual(os.lstat(os.path.join(shared, name)).st_uid, NOBODY, name)

        self.assertEqual(r["own"], {k: {"ok": True, "value": True} for k in ("text", "base64", "extract")})
        self.assertEqual(read(app.path("own-mine.txt")), BOM + b"mine\r\n")
        self.assertEqual(read(app.path("own-mine.bin")), b"mine")
        self.assertEqual(read(app.path("own-mine.html")), read(os.path.join(PROBE, "file-writes.html")))
        self.assertTrue(os.path.islink(os.path.join(shared, "mine.txt")))

        self.assertEqual(r["hardLink"], {"ok": True, "value": True})
        self.assertEqual(read(app.path("linked-b.txt")), BOM + b"both names\r\n")
        self.assertTrue(os.path.samefile(app.path("linked-a.txt"), app.path("linked-b.txt")))

        self.assertEqual(r["groupFile"], {"ok": True, "value": True})
        self.assertEqual(read(theirs), BOM + b"for the group\r\n")
        st = os.stat(theirs)
        self.assertEqual((st.st_uid, st.st_gid, stat.S_IMODE(st.st_mode)), (NOBODY, NOBODY, 0o664))

        self.assertEqual(r["fifoNoReader"], {"ok": False, "value": "No program has the FIFO open for reading"})
        self.assertEqual(r["fifo"], {"ok": True, "value": True})
        reader.join(timeout=10)
        self.assertEqual(received, [BOM + b"through the pipe\r\n"])
        for name in ("nobody.fifo", "reader.fifo"):
            self.assertTrue(stat.S_ISFIFO(os.lstat(app.path(name)).st_mode), name)
        self.assertEqual(proc.wait(timeout=20), 0)

    @staticmethod
    def release_reader(fifo, reader):
        """A reader still waiting for a writer that never came is let go."""
        if reader.is_alive():
            try:
                os.close(os.open(fifo, os.O_WRONLY | os.O_NONBLOCK))
            except OSError:
                pass


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
