#!/usr/bin/python3
"""The bridge's functions answer a packed page as specified: files, folders and Base64, the
window and the application, the shell, and the open and save dialogs driven with the keyboard."""
import os
import re
import stat
import subprocess
import sys
import unittest

import dbus
import dbusmock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import (E2ETestCase, PROBE, activate, enter, outer_geometry, run, wait_until,  # noqa: E402
                     window_name, window_of)

BOM = b"\xef\xbb\xbf"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def ok(value):
    return {"ok": True, "value": value}


def failed(text):
    return {"ok": False, "value": text}


class FilesTest(E2ETestCase):
    def test_files_folders_and_base64(self):
        app = self.pack({"IndexHtml": "files.html"})
        tmp = app.path("tmp")
        os.mkdir(tmp)
        config = app.path("config")
        with open(app.path("keep.txt"), "w") as f:
            f.write("untouched")
        proc = app.start(env={"TMPDIR": tmp, "XDG_CONFIG_HOME": config})
        r = app.wait_file("report.json")
        exe_dir = os.path.realpath(app.dir) + "/"

        folders = r["folders"]
        self.assertEqual(folders["exe"], exe_dir)
        self.assertEqual(folders["temp"], os.path.realpath(tmp) + "/")
        self.assertEqual(folders["appData"], config + "/")
        for name in ("documents", "desktop"):
            self.assertTrue(folders[name].endswith("/"), folders[name])

        # Exact bytes: a byte-order mark, then every line ended by CR LF.
        self.assertEqual(r["write"]["lf"], ok(True))
        self.assertEqual(read(app.path("notes/a.txt")), BOM + b"a\r\nb\r\n")
        self.assertEqual(read(app.path("notes/crcr.txt")), BOM + b"a\r\n\r\nb\r\n")
        self.assertEqual(read(app.path("empty.txt")), BOM)
        self.assertEqual(read(app.path("abs/deep/x.txt")), BOM + b"x\r\n")
        self.assertEqual(read(app.path("5")), BOM + b"five\r\n")
        self.assertEqual(r["write"]["missing"], failed("Missing filePath"))
        self.assertEqual(r["write"]["underAFile"], failed("Not a directory"))
        self.assertEqual(r["write"]["intoAFolder"], failed("Is a directory"))

        self.assertEqual(r["exists"], {"file": True, "folderAsFile": False, "folder": True, "fileAsFolder": False,
                                       "none": False, "missing": failed("Missing filePath"),
                                       "missingDir": failed("Missing dirPath")})

        b64 = r["base64"]
        self.assertEqual([b64[k] for k in ("hello", "bytes", "shortGroup", "empty")], [ok(True)] * 4)
        self.assertEqual(read(app.path("b64/hello.bin")), b"hello")
        self.assertEqual(read(app.path("b64/bytes.bin")), b"\x00\xff\xfe\x80")
        self.assertEqual(read(app.path("b64/short.bin")), b"abc")
        self.assertEqual(read(app.path("b64/empty.bin")), b"")
        self.assertEqual(b64["missing"], failed("Missing filePath"))

        ex = r["extract"]
        self.assertEqual(ex["ok"], ok(True))
        self.assertEqual(read(app.path("extracted.html")), read(os.path.join(PROBE, "files.html")))
        # DirName and sourceFile are joined as they are: "app" + "files.html" is no entry.
        self.assertEqual(ex["joined"], failed("File not found"))
        self.assertEqual(read(app.path("keep.txt")), b"untouched")
        # A target that cannot be created is answered with the system's text.
        self.assertEqual(ex["noFolder"], failed("No such file or directory"))
        self.assertEqual(ex["missingSource"], failed("Missing sourceFile"))
        self.assertEqual(ex["missingTarget"], failed("Missing targetFile"))

        self.assertEqual(r["deleteFile"], {"first": True, "again": False, "folder": False,
                                           "missing": failed("Missing filePath")})
        self.assertTrue(os.path.isdir(app.path("notes")))
        self.assertEqual(r["deleteDir"], {"first": True, "existsAfter": False, "again": False,
                                          "missing": failed("Missing dirPath")})
        self.assertEqual(proc.wait(timeout=20), 0)


class WindowTest(E2ETestCase):
    def net_wm_state(self, wid):
        return run("xprop", "-id", wid, "_NET_WM_STATE").stdout

    def frame(self, wid):
        m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", run("xprop", "-id", wid, "_NET_FRAME_EXTENTS").stdout)
        return tuple(int(g) for g in m.groups()) if m else None

    def go(self, app, name):
        with open(app.path(name + ".go"), "w"):
            pass

    def test_fullscreen_state_style_title_zoom_and_arguments(self):
        app = self.pack({"IndexHtml": "window.html"})
        proc = app.start("alpha", "two words")
        r = app.wait_file("step1.json")
        wid = window_of(proc.pid)
        self.assertEqual(r, {"fullscreenAtStart": False, "inFullscreen": True, "stateInFullscreen": "maximized"})
        # Full screen: no frame, the whole screen.
        self.assertTrue(wait_until(lambda: self.frame(wid) == (0, 0, 0, 0)), self.frame(wid))
        self.assertTrue(wait_until(lambda: outer_geometry(wid) == (0, 0, 1280, 1024)), outer_geometry(wid))
        self.go(app, "step1.json")

        self.assertEqual(app.wait_file("step2.json"), {"inFullscreen": False, "state": "normal"})
        self.assertTrue(wait_until(lambda: sum(self.frame(wid) or ()) > 0), self.frame(wid))
        self.assertTrue(wait_until(lambda: "MAXIMIZED" not in self.net_wm_state(wid)))
        self.go(app, "step2.json")

        self.assertEqual(app.wait_file("step3.json"),
                         {"set": True, "state": "maximized", "bogus": True, "stateAfterBogus": "maximized"})
        self.assertTrue(wait_until(lambda: "_NET_WM_STATE_MAXIMIZED_VERT" in self.net_wm_state(wid)))
        self.go(app, "step3.json")

        self.assertEqual(app.wait_file("step4.json"), {"set": True, "state": "minimized"})
        self.assertTrue(wait_until(lambda: "_NET_WM_STATE_HIDDEN" in self.net_wm_state(wid)))
        self.go(app, "step4.json")

        self.assertEqual(app.wait_file("step5.json"), {"set": True, "state": "normal"})
        self.assertTrue(wait_until(lambda: not re.search("HIDDEN|MAXIMIZED", self.net_wm_state(wid))),
                        self.net_wm_state(wid))
        self.go(app, "step5.json")

        self.assertEqual(app.wait_file("step6.json"), {"set": True, "style": "ontop"})
        self.assertTrue(wait_until(lambda: "_NET_WM_STATE_ABOVE" in self.net_wm_state(wid)))
        self.go(app, "step6.json")

        title = 'say "hi" \\ there'
        self.assertEqual(app.wait_file("step7.json"),
                         {"set": True, "style": "normal", "title": {"set": True, "get": title}})
        self.assertTrue(wait_until(lambda: "_NET_WM_STATE_ABOVE" not in self.net_wm_state(wid)))
        self.assertEqual(window_name(wid), title)
        self.go(app, "step7.json")

        r = app.wait_file("step8.json")
        self.assertEqual((r["set"], r["get"]), (True, ""))
        self.assertIn("window probe", r["windows"])
        self.assertEqual(r["args"], [os.path.realpath(app.exe), "alpha", "two words"])
        zoom = r["zoom"]
        self.assertEqual(zoom, {"start": "1", "number": True, "afterNumber": "1.5", "widthRatio": 1.5,
                                "comma": False, "afterComma": "1", "text": True, "afterText": "1.5",
                                "missing": False, "afterMissing": "1", "finer": True, "afterFiner": "1.25"})
        self.assertEqual(proc.wait(timeout=20), 0)

    def test_zoom_text_follows_the_users_number_format(self):
        for locale, text in (("de_DE.UTF-8", "1,5"), ("C", "1.5")):
            with self.subTest(locale=locale):
                app = self.pack({"IndexHtml": "zoom.html"})
                proc = app.start(env={"LC_ALL": locale})
                r = app.wait_file("report.json")
                self.assertEqual(r, {"number": True, "text": text, "comma": False, "afterComma": "1"})
                self.assertEqual(proc.wait(timeout=20), 0)


class ShellTest(E2ETestCase, dbusmock.DBusTestCase):
    @classmethod
    def setUpClass(cls):
        cls.saved_bus = os.environ.get("DBUS_SESSION_BUS_ADDRESS")
        cls.start_session_bus()
        cls.bus_address = os.environ["DBUS_SESSION_BUS_ADDRESS"]

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        if cls.saved_bus is not None:
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = cls.saved_bus

    def setUp(self):
        # A file manager on the session bus that records what it is asked to show.
        self.p_mock = self.spawn_server("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                        "org.freedesktop.FileManager1", system_bus=False, stdout=subprocess.DEVNULL)
        obj = self.get_dbus(system_bus=False).get_object("org.freedesktop.FileManager1",
                                                        "/org/freedesktop/FileManager1")
        self.mock = dbus.Interface(obj, dbusmock.MOCK_IFACE)
        self.mock.AddMethod("org.freedesktop.FileManager1", "ShowItems", "ass", "", "")

    def tearDown(self):
        self.p_mock.terminate()
        self.p_mock.wait()

    def test_commands_programs_file_manager_and_windows(self):
        app = self.pack({"IndexHtml": "shell.html"})
        os.mkdir(app.path("with blank"))
        with open(app.path("with blank/item.txt"), "w") as f:
            f.write("x")
        record = app.path("record.sh")
        with open(record, "w") as f:
            f.write('#!/bin/sh\nfor a in "$@"; do printf "[%%s]" "$a"; done > "%s.tmp"\nmv "%s.tmp" "%s"\n'
                    % ((app.path("args.txt"),) * 3))
        os.chmod(record, os.stat(record).st_mode | stat.S_IXUSR)
        proc = app.start(env={"DBUS_SESSION_BUS_ADDRESS": self.bus_address})
        r = app.wait_file("report.json", timeout=60)
        exe_dir = os.path.realpath(app.dir) + "/"

        # The window answers while a long command runs; the command's reply comes when it ends.
        self.assertEqual(r["long"]["value"], "late\n")
        self.assertGreaterEqual(r["long"]["ms"], 3000)
        self.assertLess(r["whileLong"][-1], r["long"]["ms"], r["whileLong"])

        c = r["command"]
        self.assertEqual(c["echo"], ok("hello\n"))
        self.assertEqual(c["stderr"], ok("oops\n"))
        self.assertEqual(c["mixed"], ok("out\nerr\nmore\n"))
        self.assertTrue(c["unknown"]["ok"])
        self.assertIn("not found", c["unknown"]["value"])
        self.assertEqual(c["quotes"], ok('a "q" \\\\b'))
        self.assertEqual(c["workingDir"], ok(exe_dir + "with blank\n"))
        self.assertEqual(c["noDir"], ok(""))
        self.assertEqual(c["stdin"], ok("done\n"))
        self.assertEqual(c["showWindow"], ok("shown\n"))
        self.assertEqual(c["missing"], failed("Missing command"))

        e = r["execute"]
        self.assertEqual(e["program"], ok(True))
        self.assertEqual(wait_until(lambda: os.path.exists(app.path("args.txt")) and read(app.path("args.txt"))),
                         b"[alpha][two words]")
        self.assertEqual(e["missingFile"], failed("No such file or directory"))
        self.assertEqual(e["missing"], failed("Missing filePath"))

        self.assertEqual(r["explore"]["item"], ok(True))
        self.assertEqual(r["explore"]["missing"], failed("Missing filePath"))
        calls = [(str(name), [[str(u) for u in args[0]], str(args[1])]) for _, name, args in self.mock.GetCalls()]
        self.assertEqual(calls, [("ShowItems", [["file://" + exe_dir + "with%20blank/item.txt"], ""])])

        self.assertIn("vtr e2e", r["windows"])
        self.assertEqual(proc.wait(timeout=20), 0)


class DialogsTest(E2ETestCase):
    def dialog(self, app, n, title):
        app.wait_file("dialog%d.json" % n)
        self.assertTrue(activate(title), "no dialog titled %r" % title)
        return title

    def test_open_and_save_dialogs_driven_by_the_keyboard(self):
        app = self.pack({"IndexHtml": "dialogs.html"})
        exe_dir = os.path.realpath(app.dir) + "/"
        for name in ("pick.txt", "existing.txt"):
            with open(app.path(name), "w") as f:
                f.write("x")
        pid = app.start(cwd=app.dir).pid

        self.assertEqual(enter(pid, self.dialog(app, 1, "Probe open"), exe_dir + "pick.txt"), [])
        self.dialog(app, 2, "Probe cancel")
        run("xdotool", "key", "Escape")
        # The open dialog takes the typed name of a file that does not exist.
        self.assertEqual(enter(pid, self.dialog(app, 3, "Probe new name"), exe_dir + "new-name.txt"), [])
        # The suggested name, in the current folder, confirmed as it stands.
        self.assertEqual(enter(pid, self.dialog(app, 4, "Probe save")), [])
        # Asked for: a prompt before an existing file is replaced; its default answer replaces.
        prompt = enter(pid, self.dialog(app, 5, "Probe replace"), exe_dir + "existing.txt", location=False)
        self.assertEqual(len(prompt), 1, "no overwrite prompt")
        run("xdotool", "windowactivate", "--sync", prompt[0])
        run("xdotool", "key", "Return")
        # Not asked for: no prompt, the name is taken at once.
        self.assertEqual(enter(pid, self.dialog(app, 6, "Probe no prompt"), exe_dir + "existing.txt",
                                    location=False), [])

        r = app.wait_file("report.json")
        self.assertEqual(r["dialog1"], ok(exe_dir + "pick.txt"))
        self.assertEqual(r["dialog2"], ok(""))
        self.assertEqual(r["dialog3"], ok(exe_dir + "new-name.txt"))
        self.assertEqual(r["dialog4"], ok(exe_dir + "suggested.txt"))
        self.assertEqual(r["dialog5"], ok(exe_dir + "existing.txt"))
        self.assertEqual(r["dialog6"], ok(exe_dir + "existing.txt"))
        self.assertEqual(app.procs[0].wait(timeout=20), 0)


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
