#!/usr/bin/python3
"""The shell functions of a packed page: console commands queued in order and bounded, what
shell.execute starts and what it opens, and the window list top first."""
import os
import shutil
import stat
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase, wait_until, window_of  # noqa: E402


def ok(value):
    return {"ok": True, "value": value}


def running(pid):
    """True while the process exists and is not a zombie."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def peak_memory_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def read(path):
    with open(path) as f:
        return f.read()


def write(path, text, mode=0o644):
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, mode)


class CommandQueueTest(E2ETestCase):
    def test_commands_run_in_order_are_bounded_and_end_with_the_window(self):
        app = self.pack({"IndexHtml": "shell-queue.html"})
        proc = app.start()
        r = app.wait_file("queue.json", timeout=90)

        # Posted together, the slow command first: the file holds them in that order, and the
        # window answered calls while they ran.
        self.assertEqual(r["first"], ok(""))
        self.assertEqual(r["second"], ok(""))
        with open(app.path("order.txt")) as f:
            self.assertEqual(f.read(), "first\nsecond\n")
        self.assertGreater(r["answeredWhileOrdered"], 0)

        # Endless output: a clear failure, the process stays small, later commands still run.
        self.assertEqual(r["yes"], {"ok": False, "value": "The command was ended: its output exceeds 16 MiB"})
        self.assertGreater(r["answeredWhileYes"], 0)
        self.assertEqual(r["after"], ok("after\n"))
        self.assertLess(peak_memory_kib(proc.pid), 1024 * 1024)
        with open(app.path("yes.pid")) as f:
            yes = int(f.read())
        self.assertTrue(wait_until(lambda: not running(yes)), "the endless output still runs")
        open(app.path("queue.json.go"), "w").close()

        # Closed while a command that never ends runs: the application ends, and the command with it.
        self.assertEqual(proc.wait(timeout=30), 0)
        with open(app.path("endless.pid")) as f:
            endless = int(f.read())
        self.assertTrue(wait_until(lambda: not running(endless)), "the endless command survived the window")
        self.assertFalse(os.path.exists(app.path("queued.ran")))


class ExecuteTest(E2ETestCase):
    def test_programs_start_and_documents_open_whatever_their_executable_bit(self):
        app = self.pack({"IndexHtml": "shell-execute.html"})
        # A stand-in default application for text and PDF documents, through the desktop's own
        # association files: it records what it was asked to open.
        opened = app.path("opened.txt")
        opener = app.path("opener.sh")
        write(opener, '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % opened, 0o755)
        apps_dir = os.path.join(app.data_home, "applications")
        os.makedirs(apps_dir)
        write(os.path.join(apps_dir, "vtr-test-opener.desktop"),
              "[Desktop Entry]\nType=Application\nName=vtr test opener\nExec=%s %%f\n"
              "MimeType=text/plain;application/pdf;\nNoDisplay=true\n" % opener)
        config = app.path("config")
        os.makedirs(config)
        write(os.path.join(config, "mimeapps.list"),
              "[Default Applications]\ntext/plain=vtr-test-opener.desktop\n"
              "application/pdf=vtr-test-opener.desktop\n")
        home = app.path("home")
        os.makedirs(home)

        # Run as programs, or as shell lines, each file would leave its marker.
        def marker(name):
            return app.path(name + ".ran")
        shutil.copy("/usr/bin/touch", app.path("program"))
        write(app.path("script.sh"), '#!/bin/sh\ntouch "$1"\n', 0o755)
        write(app.path("notes.txt"), "touch %s\n" % marker("notes-as-shell"), 0o755)
        write(app.path("paper.pdf"), "%%PDF-1.4\ntouch %s\n%%%%EOF\n" % marker("paper-as-shell"), 0o755)
        write(app.path("plain.txt"), "touch %s\n" % marker("plain-as-shell"))

        proc = app.start(env={"XDG_CONFIG_HOME": config, "HOME": home})
        r = app.wait_file("report.json", timeout=60)
        table = {
            "program": "started",
            "script.sh": "started",
            "notes.txt": "opened",
            "paper.pdf": "opened",
            "plain.txt": "opened",
        }
        for name in table:
            self.assertEqual(r["execute"][name], ok(True), name)
        documents = sorted(app.path(n) for n, how in table.items() if how == "opened")
        self.assertTrue(wait_until(lambda: os.path.exists(opened) and len(read(opened).split()) == 3))
        with open(opened) as f:
            self.assertEqual(sorted(f.read().split()), documents)
        for name, how in table.items():
            self.assertEqual(os.path.exists(marker(name)), how == "started", name)
        for name in ("notes-as-shell", "paper-as-shell", "plain-as-shell"):
            self.assertFalse(os.path.exists(marker(name)), name)

        # No desktop folder: the home folder stands in for it.
        self.assertEqual(r["desktop"], home + "/")
        self.assertEqual(proc.wait(timeout=20), 0)


class WindowsTest(E2ETestCase):
    def test_windows_are_listed_top_first(self):
        app = self.pack({"IndexHtml": "shell-windows.html"})
        proc = app.start()
        app.wait_file("ready.json")
        wid = window_of(proc.pid)
        other = subprocess.Popen(["xmessage", "-title", "vtr other window", "other"])
        self.addCleanup(lambda: (other.kill(), other.wait()))
        other_wid = wait_until(lambda: subprocess.run(["xdotool", "search", "--name", "vtr other window"],
                                                      capture_output=True, text=True).stdout.split())
        self.assertTrue(other_wid)
        subprocess.run(["xdotool", "windowactivate", "--sync", other_wid[0]], capture_output=True, timeout=10)
        open(app.path("ready.json.go"), "w").close()
        r = app.wait_file("below.json")
        below = r["below"]
        self.assertLess(below.index("vtr other window"), below.index("vtr main window"), below)

        subprocess.run(["xdotool", "windowactivate", "--sync", wid], capture_output=True, timeout=10)
        open(app.path("below.json.go"), "w").close()
        r = app.wait_file("report.json")
        above = r["above"]
        self.assertLess(above.index("vtr main window"), above.index("vtr other window"), above)
        self.assertEqual(proc.wait(timeout=20), 0)


if __name__ == "__main__":
    unittest.main()
