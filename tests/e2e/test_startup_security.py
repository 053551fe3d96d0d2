#!/usr/bin/python3
"""Start-up on a machine that is not fresh or not friendly: an extracted engine that is old,
foreign, empty or another build; the single-instance lock with another local user taking what
it can reach; an ID that would name a folder outside the data home; and the data folders, which
hold the browser profile, kept for the user alone."""
import hashlib
import io
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import BIN_DIR, E2ETestCase, run, wait_until, window_of  # noqa: E402

ENGINE = os.path.join(BIN_DIR, "libvtr-engine-webkitgtk.so")  # what vtr-pack packs by default
OLD_ENGINE = os.environ["VTR_OLD_ENGINE"]
NOT_AN_ENGINE = os.environ["VTR_NOT_AN_ENGINE"]
TEST_ENGINE = os.environ["VTR_TEST_ENGINE"]
ENGINE_FILE = "WebView2LoaderWin64.dll"
NOBODY = 65534

# Keeps a file mapped as the loader maps a library (and loaded, when asked) and says at the end
# whether the mapped bytes are still the ones it saw: a file rewritten in place changes them,
# one cut short kills this process with SIGBUS.
HOLDER = r"""
import ctypes, mmap, sys
path, load = sys.argv[1], sys.argv[2] == "1"
if load:
    ctypes.CDLL(path)
f = open(path, "rb")
m = mmap.mmap(f.fileno(), 0, prot=mmap.PROT_READ)
before = m[:]
print("ready", flush=True)
sys.stdin.readline()
print("intact" if m[:] == before else "changed", flush=True)
"""

# Another local user: binds the abstract socket name the lock once used and plants a folder
# (or a link to one of its own) where a fallback lock folder would go, with a locked file of
# the lock's name inside, then waits.
SQUATTER = r"""
import fcntl, os, socket, sys
tmp, app_id, uid, how, lock_name = sys.argv[1:6]
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.bind(("\0vtr/%s/%s" % (uid, app_id)).encode())
own = os.path.join(tmp, "squatter")
os.mkdir(own, 0o777)
os.chmod(own, 0o777)
target = os.path.join(tmp, "vtr-" + uid)
if how == "link":
    os.symlink(own, target)
else:
    os.mkdir(target, 0o777)
    os.chmod(target, 0o777)
    f = open(os.path.join(target, lock_name), "w")
    fcntl.lockf(f, fcntl.LOCK_EX)
print("ready", flush=True)
sys.stdin.readline()
"""


def lock_file_name(app_id):
    readable = "".join(c if c.isascii() and (c.isalnum() or c in ".-_") else "_" for c in app_id[:64])
    return "id-%s-%s.lock" % (readable, hashlib.sha256(app_id.encode()).hexdigest()[:32])


def mode(path):
    return stat.S_IMODE(os.lstat(path).st_mode)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def close_window(proc):
    """Closes the main window as a user would; the page's default hook lets it close."""
    run("wmctrl", "-i", "-c", window_of(proc.pid))
    return proc.wait(timeout=30)


def visible_windows(pid):
    return run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).stdout.split()


def answer_box(proc, title, keys=("Return",)):
    wid = wait_until(lambda: [w for w in visible_windows(proc.pid)
                              if run("xdotool", "getwindowname", w).stdout.strip() == title], timeout=30)
    if not wid:
        raise AssertionError("no %r box of pid %d (exit %r)" % (title, proc.pid, proc.poll()))
    run("xdotool", "windowactivate", "--sync", wid[0])
    run("xdotool", "key", *keys)


class EngineReplacementTest(E2ETestCase):
    """An engine left by an earlier start that cannot serve this runtime is replaced beside any
    process that still has it loaded; the archive's own engine, or another usable one, is kept."""

    def test_an_unusable_engine_is_replaced_and_who_loaded_it_keeps_running(self):
        rows = [
            ("an older ABI version", OLD_ENGINE, True),
            ("not an engine", NOT_AN_ENGINE, True),
            ("an empty file", None, False),
            ("the same engine", ENGINE, False),
        ]
        app = self.pack({"IndexHtml": "ready.html"})
        folder = os.path.join(app.data_home, app.id)
        win64 = os.path.join(folder, "Win64")
        engine = os.path.join(win64, ENGINE_FILE)
        for what, source, load in rows:
            with self.subTest(what):
                shutil.rmtree(app.data_home, ignore_errors=True)
                if os.path.exists(app.path("report.json")):
                    os.remove(app.path("report.json"))
                # Folders as an earlier version left them: readable by everyone.
                os.makedirs(win64)
                os.chmod(folder, 0o755)
                os.chmod(win64, 0o755)
                if source:
                    shutil.copyfile(source, engine)
                else:
                    open(engine, "wb").close()
                before = os.stat(engine)
                holder = None
                if before.st_size:
                    holder = subprocess.Popen(["/usr/bin/python3", "-c", HOLDER, engine, "1" if load else "0"],
                                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
                    self.addCleanup(holder.kill)
                    self.assertEqual(holder.stdout.readline().strip(), "ready")

                proc = app.start()
                self.assertTrue(app.wait_file("report.json"))
                self.assertEqual(close_window(proc), 0, app.output())

                self.assertEqual(read(engine), read(ENGINE))
                after = os.stat(engine)
                if source == ENGINE:
                    self.assertEqual((after.st_ino, after.st_mtime_ns), (before.st_ino, before.st_mtime_ns),
                                     "the archive's own engine was written again")
                self.assertEqual(mode(folder), 0o700)
                self.assertEqual(mode(win64), 0o700)
                self.assertFalse([n for n in os.listdir(win64) if n.startswith(".")], "a temporary file was left")
                if holder:
                    holder.stdin.write("\n")
                    holder.stdin.flush()
                    self.assertEqual(holder.stdout.readline().strip(), "intact")
                    self.assertEqual(holder.wait(timeout=10), 0)

    def test_another_usable_engine_is_kept_unchanged(self):
        app = self.pack({"IndexHtml": "ready.html"})
        win64 = os.path.join(app.data_home, app.id, "Win64")
        engine = os.path.join(win64, ENGINE_FILE)
        os.makedirs(win64)
        shutil.copyfile(TEST_ENGINE, engine)
        before = os.stat(engine)
        proc = app.start()
        # The test engine shows no page, but the window opens: start-up took it as it is.
        self.assertTrue(wait_until(lambda: visible_windows(proc.pid), timeout=30), app.output())
        proc.kill()
        proc.wait()
        after = os.stat(engine)
        self.assertEqual((after.st_ino, after.st_mtime_ns), (before.st_ino, before.st_mtime_ns))
        self.assertEqual(read(engine), read(TEST_ENGINE))


class InstanceLockTest(E2ETestCase):
    def test_a_plain_start_ends_while_a_launched_instance_lives(self):
        app = self.pack({"IndexHtml": "ready.html"})
        first = app.start()
        app.wait_file("report.json")
        launched = app.start(app.id, "file:///page2.html")
        self.assertEqual(app.wait_file("report2.json")["page"], "page2")
        self.assertEqual(close_window(first), 0)
        plain = app.start()
        self.assertEqual(plain.wait(timeout=30), 0)
        self.assertEqual(visible_windows(plain.pid), [])
        self.assertIsNone(launched.poll())
        self.assertEqual(close_window(launched), 0)
        # With no instance left, a plain start opens its window again.
        os.remove(app.path("report.json"))
        again = app.start()
        self.assertTrue(app.wait_file("report.json"))
        self.assertEqual(close_window(again), 0)

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"), "needs root to play another user")
    def test_another_user_cannot_keep_the_application_from_starting(self):
        for how in ("folder", "link"):
            for runtime_dir in (False, True):
                with self.subTest(squatter=how, runtime_dir=runtime_dir):
                    self.squat_and_start(how, runtime_dir)

    def squat_and_start(self, how, runtime_dir):
        app = self.pack({"IndexHtml": "ready.html"})
        tmp = tempfile.mkdtemp(prefix="vtr-squat-")
        self.addCleanup(shutil.rmtree, tmp, True)
        os.chmod(tmp, 0o1777)  # a shared temporary folder, as /tmp is
        squatter = subprocess.Popen(
            ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups",
             "/usr/bin/python3", "-c", SQUATTER, tmp, app.id, str(os.geteuid()), how, lock_file_name(app.id)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, cwd="/")
        self.addCleanup(squatter.kill)
        self.assertEqual(squatter.stdout.readline().strip(), "ready")

        env = {"TMPDIR": tmp, "XDG_RUNTIME_DIR": None}
        if runtime_dir:
            env["XDG_RUNTIME_DIR"] = os.path.join(app.dir, "run")
            os.mkdir(env["XDG_RUNTIME_DIR"], 0o700)
        first = app.start(env=env)
        self.assertTrue(app.wait_file("report.json"))
        # Nothing of the application's went into what the other user made.
        self.assertEqual(os.listdir(os.path.join(tmp, "squatter")), [])
        if how == "folder":
            self.assertEqual(os.listdir(os.path.join(tmp, "vtr-%d" % os.geteuid())), [lock_file_name(app.id)])
            self.assertEqual(os.stat(os.path.join(tmp, "vtr-%d" % os.geteuid())).st_uid, NOBODY)
        if runtime_dir:
            # The session's own runtime folder is out of the other user's reach: the rule holds.
            self.assertEqual(mode(os.path.join(env["XDG_RUNTIME_DIR"], "vtr")), 0o700)
            second = app.start(env=env)
            self.assertEqual(second.wait(timeout=30), 0)
            self.assertEqual(visible_windows(second.pid), [])
        self.assertEqual(close_window(first), 0)


def handmade_app(folder, app_id):
    """The runtime with an archive appended that vtr-pack would refuse to make."""
    exe = os.path.join(folder, "handmade")
    shutil.copyfile(os.path.join(BIN_DIR, "vtr"), exe)
    os.chmod(exe, 0o755)
    archive = io.BytesIO()
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_STORED) as z:
        z.writestr("vtr.ini", b"[App]\r\nID=" + app_id + b"\r\nName=Handmade\r\nDirName=app\r\n")
        z.writestr("app/index.html", b"<!doctype html><title>handmade</title>")
    with open(exe, "ab") as f:
        f.write(archive.getvalue())
    return exe


class UnsafeIDTest(E2ETestCase):
    def test_an_id_that_is_not_one_folder_name_ends_start_up_before_any_folder_is_made(self):
        root = tempfile.mkdtemp(prefix="vtr-unsafe-id-")
        self.addCleanup(shutil.rmtree, root, True)
        home = os.path.join(root, "home")
        data_home = os.path.join(home, ".local", "share")
        for app_id in (b".", b"..", b"../..", b"../../..", b"a/b", b"a\\b", b"a\x01b"):
            with self.subTest(app_id):
                shutil.rmtree(home, ignore_errors=True)
                os.makedirs(data_home)
                with open(os.path.join(home, "keep"), "w") as f:
                    f.write("the user's own file")
                exe = handmade_app(root, app_id)
                env = dict(os.environ, HOME=home, XDG_DATA_HOME=data_home)
                proc = subprocess.Popen([exe], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
                try:
                    answer_box(proc, "Error")
                    self.assertEqual(proc.wait(timeout=30), 1)
                    self.assertEqual(os.listdir(data_home), [])
                    self.assertEqual(sorted(os.listdir(home)), [".local", "keep"])
                finally:
                    if proc.poll() is None:
                        proc.kill()
                        proc.wait()


class DataFolderRemovalTest(E2ETestCase):
    """Declining the runtime installer removes the application's data folder, never what a link
    in its place leads to."""

    def test_declining_removes_nothing_through_a_link(self):
        app = self.pack({"IndexHtml": "ready.html"}, pack_args=["--engine", TEST_ENGINE])
        elsewhere = app.path("elsewhere")
        os.makedirs(elsewhere)
        with open(os.path.join(elsewhere, "precious.txt"), "w") as f:
            f.write("not the application's")
        os.makedirs(app.data_home)
        os.symlink(elsewhere, os.path.join(app.data_home, app.id))
        proc = app.start(env={"VTR_TEST_ENGINE_VERSION": "none", "LANG": "en_US.UTF-8", "LC_ALL": None,
                              "LC_MESSAGES": None})
        answer_box(proc, "Confirm", ("Escape",))
        answer_box(proc, "Error")
        self.assertEqual(proc.wait(timeout=20), 0)
        self.assertEqual(read(os.path.join(elsewhere, "precious.txt")), b"not the application's")
        self.assertTrue(os.path.islink(os.path.join(app.data_home, app.id)))


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
