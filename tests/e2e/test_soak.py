#!/usr/bin/python3
"""Soak and fault runs of a packed application: many calls at once, a long seeded storm of good
and bad messages, the engine's web process killed under load, and a disk that fills up while a
file is written. The application must answer what it can, survive the rest and lose no file.

VTR_SOAK_SEED=N repeats the storm of an earlier run (its seed is printed at the start)."""
import collections
import errno
import hashlib
import json
import os
import random
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import dbus
import dbusmock

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from vtr_e2e import BIN_DIR, E2ETestCase, outer_geometry, run, wait_until, window_name, window_of  # noqa: E402

ERROR_PAGE_JS = os.path.join(HERE, "apps", "probe", "soak-error-page.js")
SEED = int(os.environ.get("VTR_SOAK_SEED") or random.SystemRandom().randrange(1, 2 ** 31))
BOM = b"\xef\xbb\xbf"


class Output:
    """Reads a process's output while it runs: a runtime that reports thousands of bad messages
    on standard error must never stall on a full pipe."""

    def __init__(self, proc):
        self.lines = collections.deque(maxlen=100)
        self.count = 0
        self.thread = threading.Thread(target=self.read, args=(proc.stdout.buffer,), daemon=True)
        self.thread.start()

    def read(self, stream):
        for line in stream:
            self.count += 1
            self.lines.append(line.decode("utf-8", "replace").rstrip("\n")[:300])

    def tail(self):
        return "\n".join(self.lines)


def child_processes(pid):
    """Every process below pid, from /proc."""
    children = collections.defaultdict(list)
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children[ppid].append(int(entry))
    found, todo = [], [pid]
    while todo:
        for child in children[todo.pop()]:
            found.append(child)
            todo.append(child)
    return found


def command_name(pid):
    try:
        with open("/proc/%d/comm" % pid) as f:
            return f.read().strip()
    except OSError:
        return ""


def client_size(wid):
    info = run("xwininfo", "-id", wid).stdout
    size = {}
    for line in info.splitlines():
        key, _, value = line.strip().partition(":")
        if key in ("Width", "Height"):
            size[key] = int(value)
    return [size["Width"], size["Height"]]


def files_below(root):
    """{relative path: (size, sha256)} of every file below root, and the sorted folders."""
    files, dirs = {}, []
    for folder, subdirs, names in os.walk(root):
        dirs += [os.path.join(folder, d) for d in subdirs]
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                data = f.read()
            files[os.path.join(folder, name)] = (len(data), hashlib.sha256(data).hexdigest())
    return files, sorted(dirs)


class SoakTestCase(E2ETestCase):
    def launch(self, app, **kw):
        proc = app.start(**kw)
        return proc, Output(proc)

    def configure(self, app, **values):
        with open(app.path("soak-config.json"), "w", encoding="utf-8") as f:
            json.dump(values, f)

    def report(self, app, name, proc, out, timeout=60):
        """The page's report `name`, or a failure that tells how the process is doing."""
        def read():
            try:
                with open(app.path(name), encoding="utf-8-sig") as f:
                    return json.loads(f.read())
            except (OSError, ValueError):
                return None  # not there yet, or still being written
        deadline = time.time() + timeout
        while time.time() < deadline and proc.poll() is None:
            found = read()
            if found is not None:
                return found
            time.sleep(0.1)
        found = read()  # written just before the process ended
        if found is not None:
            return found
        self.fail("no %s within %ss (process %s); last output:\n%s" %
                  (name, timeout, "ended with %s" % proc.returncode if proc.poll() is not None else "running",
                   out.tail()))

    def go(self, app, name):
        open(app.path(name + ".go"), "w").close()

    def assert_alive(self, proc, out):
        if proc.poll() is not None:
            self.fail("the runtime ended with %s; last output:\n%s" % (proc.returncode, out.tail()))

    def assert_ends_normally(self, proc, out):
        try:
            code = proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.fail("the runtime did not end; last output:\n" + out.tail())
        self.assertEqual(code, 0, out.tail())

    def move_and_resize(self, wid, geometry):
        """Asks the window manager to move the window's frame to x, y and to give it a client
        area of width by height, and waits until it has."""
        x, y, width, height = geometry
        run("wmctrl", "-i", "-r", wid, "-e", "0,%d,%d,%d,%d" % geometry)
        now = lambda: (outer_geometry(wid)[:2], client_size(wid))
        want = ((x, y), [width, height])
        self.assertEqual(wait_until(lambda: now() == want and want, timeout=10) or now(), want)


class InFlightTest(SoakTestCase):
    def test_ten_thousand_calls_in_flight_each_get_their_own_answer(self):
        app = self.pack({"IndexHtml": "soak-inflight.html"})
        box = app.path("sandbox")
        os.makedirs(box)
        for k in range(0, 100, 2):
            open(os.path.join(box, "e%d.txt" % k), "w").close()
        for k in range(5):
            os.makedirs(os.path.join(box, "dir%d" % k))
        self.configure(app, sandbox=box, count=10000, exeDir=app.dir + "/")
        started = time.time()
        proc, out = self.launch(app)
        report = self.report(app, "inflight.json", proc, out, timeout=180)
        print("10000 calls: issued in %d ms, all settled after %d ms (%.1f s with start-up)" %
              (report["issueMs"], report["settleMs"], time.time() - started))
        self.assertEqual(report["settled"], 10000)
        self.assertEqual((report["wrongCount"], report["wrong"]), (0, []))
        # Exactly one answer per call, none lost, none doubled.
        self.assertEqual((report["messages"], report["uniqueUuids"]), (10000, 10000))
        ok = lambda v: {"ok": True, "value": v}
        self.assertEqual(report["samples"], [
            ok("2022.4"), ok(True), ok(True), ok(True), {"ok": False, "value": "Missing filePath"}, ok(True),
            ok(app.dir + "/"), ok(False), ok(app.dir + "/"), ok(False)])
        # Each write left its own file with its own text, and nothing else.
        written = os.listdir(os.path.join(box, "w"))
        self.assertEqual(sorted(written), sorted("%d.txt" % i for i in report["writes"]))
        for i in report["writes"]:
            with open(os.path.join(box, "w", "%d.txt" % i), "rb") as f:
                self.assertEqual(f.read(), BOM + b"call %d\r\n" % i)
        self.assert_ends_normally(proc, out)


class FloodTest(SoakTestCase, dbusmock.DBusTestCase):
    """The storm runs against a fake logind: had any message reached a session-ending function,
    the fake would have recorded it, and the machine's own session is never at stake."""

    @classmethod
    def setUpClass(cls):
        cls.start_system_bus()
        cls.bus_address = os.environ["DBUS_SYSTEM_BUS_ADDRESS"]

    def setUp(self):
        self.p_mock, obj = self.spawn_server_template("logind", {}, stdout=subprocess.DEVNULL)
        self.addCleanup(self.p_mock.wait)
        self.addCleanup(self.p_mock.terminate)
        self.mock = dbus.Interface(obj, dbusmock.MOCK_IFACE)
        self.mock.AddSession("c7", "seat0", dbus.UInt32(os.getuid()), "tester", True)

    def test_a_seeded_storm_of_good_and_bad_messages(self):
        app = self.pack({"IndexHtml": "soak-flood.html"})
        box = app.path("sandbox")
        os.makedirs(box)
        count = int(os.environ.get("VTR_SOAK_MESSAGES", "100000"))
        self.configure(app, sandbox=box, seed=SEED, count=count, batch=500, heavyShare=0.001,
                       hugeSize=2000000, maxDepth=50000)
        print("storm seed %d (VTR_SOAK_SEED=%d repeats it), %d messages" % (SEED, SEED, count), flush=True)
        proc, out = self.launch(app, env={"DBUS_SYSTEM_BUS_ADDRESS": self.bus_address, "XDG_SESSION_ID": "c7"})
        report = self.report(app, "flood.json", proc, out, timeout=300)
        print("storm of seed %d: %d messages in %.1f s, %d lines on standard error; kinds: %s" %
              (SEED, report["sent"], report["seconds"], out.count, json.dumps(report["counts"], sort_keys=True)))
        failure = "seed %d" % SEED
        self.assertIsNone(report["stuck"], failure)
        self.assertEqual(report["sent"], count, failure)
        self.assertEqual(report["problems"], [], failure + " " + json.dumps(report["problems"])[:3000])
        self.assertEqual(report["missing"], [], failure)
        self.assertEqual((report["unanswered"], report["answeredWrongly"], report["repeated"], report["strays"]),
                         (0, 0, 0, 0), failure)
        # The sandbox holds exactly what the answered calls left there: no file lost, none
        # half-written, no temporary file left behind.
        files, dirs = files_below(box)
        self.assertEqual(files, {p: (v["size"], v["sha256"]) for p, v in report["files"].items()}, failure)
        self.assertEqual(dirs, report["dirs"], failure)

        # The process is alive, its window answers the window manager and the page calls again.
        self.assert_alive(proc, out)
        wid = window_of(proc.pid)
        self.move_and_resize(wid, (40, 50, 900, 700))
        self.go(app, "flood.json")
        after = self.report(app, "after.json", proc, out)
        self.assertEqual(after["hello"], {"ok": True, "value": "2022.4"})
        self.assertEqual(after["setTitle"], {"ok": True, "value": True})
        self.assertEqual(after["inner"], client_size(wid))
        title = "soak after %d" % SEED
        self.assertEqual(wait_until(lambda: window_name(wid) == title and title, timeout=5), title)
        self.go(app, "after.json")
        self.assert_ends_normally(proc, out)
        ended = [str(name) for _, name, _ in self.mock.GetCalls()
                 if str(name) in ("PowerOff", "Reboot", "TerminateSession", "TerminateUser", "Suspend")]
        self.assertEqual(ended, [], failure)


class WebProcessKilledTest(SoakTestCase):
    def test_the_window_survives_and_the_reload_link_brings_the_application_back(self):
        app = self.pack({"IndexHtml": "soak-kill.html"}, webviewjs=ERROR_PAGE_JS)
        proc, out = self.launch(app)
        first = self.report(app, "kill-loaded.json", proc, out)
        busy = self.report(app, "kill-busy.json", proc, out)
        self.assertEqual(busy["mark"], first["mark"])
        wid = window_of(proc.pid)
        web = [p for p in child_processes(proc.pid) if command_name(p).startswith("WebKitWebProc")]
        self.assertEqual(len(web), 1, [(p, command_name(p)) for p in child_processes(proc.pid)])
        os.remove(app.path("kill-loaded.json"))
        os.kill(web[0], signal.SIGKILL)  # while the page is in the middle of its calls

        error = self.report(app, "error-page.json", proc, out, timeout=30)
        self.assertEqual((error["title"], error["text"]), ("This page is having a problem", "Reload"))
        self.assertIn("Something went wrong", error["body"])
        self.assertFalse(os.path.exists(app.path("kill-loaded.json")), "the engine reloaded by itself")
        # The runtime and its window carry on: same window, same title, moved and resized.
        self.assert_alive(proc, out)
        self.assertIn(wid, run("xdotool", "search", "--pid", str(proc.pid)).stdout.split())
        self.assertEqual(window_name(wid), "vtr e2e")
        self.move_and_resize(wid, (100, 80, 760, 560))
        self.assertEqual(window_name(wid), "vtr e2e")

        # A person clicks the link: the application loads again and its calls are answered.
        run("xdotool", "mousemove", "--window", wid, str(error["x"]), str(error["y"]), "click", "1")
        again = self.report(app, "kill-loaded.json", proc, out, timeout=30)
        self.assertNotEqual(again["mark"], first["mark"])
        self.assertEqual(again["hello"], {"ok": True, "value": "2022.4"})
        self.assertEqual(again["inner"], client_size(wid))
        os.remove(app.path("kill-busy.json"))
        self.assertEqual(self.report(app, "kill-busy.json", proc, out)["mark"], again["mark"])
        open(app.path("kill.stop"), "w").close()
        self.assert_ends_normally(proc, out)


class DiskFullTest(SoakTestCase):
    """A write that does not fit fails with the system's reason and leaves the old file as it
    was. A small tmpfs is the full disk; where mounting is not allowed, a file-size limit on the
    runtime stands in, and the reason differs."""

    def mount_small_disk(self):
        folder = tempfile.mkdtemp(prefix="vtr-soak-disk-")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        if os.environ.get("VTR_SOAK_NO_MOUNT") != "1":
            mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", folder],
                                     capture_output=True, text=True)
            if mounted.returncode == 0:
                self.addCleanup(subprocess.run, ["umount", "-l", folder], capture_output=True)
                return folder, True
            print("mounting a tmpfs failed (%s): a file-size limit stands in" % mounted.stderr.strip())
        return folder, False

    def start_limited(self, app):
        """Starts the runtime with SIGXFSZ ignored, which stays so across exec: a write beyond
        the limit then fails with EFBIG instead of ending the process."""
        proc = subprocess.Popen([app.exe], env=dict(os.environ, XDG_DATA_HOME=app.data_home), text=True,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                preexec_fn=lambda: signal.signal(signal.SIGXFSZ, signal.SIG_IGN))
        app.procs.append(proc)
        return proc, Output(proc)

    def test_a_write_that_does_not_fit_fails_and_keeps_the_old_file(self):
        box, mounted = self.mount_small_disk()
        app = self.pack({"IndexHtml": "soak-diskfull.html"})
        rng = random.Random(SEED)
        old_text = BOM + "".join("old line %d %s\r\n" % (i, rng.random()) for i in range(3000)).encode()
        old_bin = bytes(rng.randrange(256) for _ in range(40000))
        for name, data in (("old.txt", old_text), ("old.bin", old_bin)):
            with open(os.path.join(box, name), "wb") as f:
                f.write(data)
        if mounted:
            print("a 1 MiB tmpfs, filled up")
            reason, big = "No space left on device", 2 * 1024 * 1024
            with open(os.path.join(box, "filler"), "wb", buffering=0) as f:
                try:
                    while True:
                        f.write(b"\0" * 4096)
                except OSError as e:
                    self.assertEqual(e.errno, errno.ENOSPC)
            self.configure(app, sandbox=box, bigSize=big)
            proc, out = self.launch(app)
        else:
            print("a file-size limit of 1 MiB on the runtime")
            reason, big = "File too large", 2 * 1024 * 1024
            self.configure(app, sandbox=box, bigSize=big)
            proc, out = self.start_limited(app)
        self.report(app, "diskfull-loaded.json", proc, out)
        if not mounted:
            # Set once the engine's processes run, so that only the runtime's own writes are
            # limited: the engine's shared memory for large messages is a file too.
            limit = 1024 * 1024
            resource.prlimit(proc.pid, resource.RLIMIT_FSIZE, (limit, limit))
        self.go(app, "diskfull-loaded.json")

        report = self.report(app, "diskfull.json", proc, out, timeout=90)
        failed = {"ok": False, "value": reason}
        self.assertEqual(report["text"], failed)
        self.assertEqual(report["base64"], failed)
        self.assertEqual(report["newFile"], failed)
        self.assertFalse(report["newFileExists"])
        self.assertEqual(report["hello"], {"ok": True, "value": "2022.4"})
        for name, data in (("old.txt", old_text), ("old.bin", old_bin)):
            with open(os.path.join(box, name), "rb") as f:
                self.assertTrue(f.read() == data, name + " changed")
        self.assertEqual(sorted(os.listdir(box)), ["filler", "old.bin", "old.txt"] if mounted else
                         ["old.bin", "old.txt"])

        # With room again, the same file is written.
        if mounted:
            os.remove(os.path.join(box, "filler"))
        self.go(app, "diskfull.json")
        after = self.report(app, "diskfull-after.json", proc, out)
        self.assertEqual(after["again"], {"ok": True, "value": True})
        with open(os.path.join(box, "old.txt"), "rb") as f:
            self.assertEqual(f.read(), BOM + b"room again\r\n")
        self.assert_ends_normally(proc, out)


def central_directory(data, start):
    """(offset in the file of the archive's end record, offset of its central directory)."""
    end = data.rfind(b"PK\x05\x06")
    return end, start + struct.unpack_from("<I", data, end + 16)[0]


def flip_signature(data, start):
    data[central_directory(data, start)[1]] ^= 0xFF


def offset_past_end(data, start):
    struct.pack_into("<I", data, central_directory(data, start)[0] + 16, 0x7FFFFFF0)


def count_too_large(data, start):
    struct.pack_into("<HH", data, central_directory(data, start)[0] + 8, 0xFFFF, 0xFFFF)


def name_length_huge(data, start):
    struct.pack_into("<H", data, central_directory(data, start)[1] + 28, 0xFFFF)


def garbage(data, start):
    end, directory = central_directory(data, start)
    rng = random.Random(SEED)
    for i in range(directory + 4, end, 7):
        data[i] = rng.randrange(256)


class DamagedDirectoryTest(SoakTestCase):
    """The archive's central directory damaged in ways a cut-short file does not show: an error
    box and exit code 1, never a crash or a hang."""

    def test_a_damaged_central_directory_is_reported(self):
        start = os.path.getsize(os.path.join(BIN_DIR, "vtr"))
        for damage in (flip_signature, offset_past_end, count_too_large, name_length_huge, garbage):
            with self.subTest(damage=damage.__name__):
                app = self.pack({"IndexHtml": "ready.html"})
                with open(app.exe, "r+b") as f:
                    data = bytearray(f.read())
                    damage(data, start)
                    f.seek(0)
                    f.write(data)
                proc, out = self.launch(app)
                boxes = wait_until(lambda: proc.poll() is None and [
                    w for w in run("xdotool", "search", "--onlyvisible", "--pid", str(proc.pid)).stdout.split()
                    if window_name(w) == "Error"], timeout=30)
                if not boxes:
                    self.fail("no error box (process %s); output:\n%s" % (proc.poll(), out.tail()))
                run("xdotool", "windowactivate", "--sync", boxes[0])
                run("xdotool", "key", "Return")
                try:
                    self.assertEqual(proc.wait(timeout=30), 1, out.tail())
                except subprocess.TimeoutExpired:
                    self.fail("the runtime did not end after its error box")


if __name__ == "__main__":
    print("soak seed: %d" % SEED, flush=True)
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
