#!/usr/bin/python3
"""The main window as the page and the window manager change it: restoring returns to the normal
bounds, closing while a bridge call runs ends the process normally, and texts holding half a
surrogate pair are answered."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase, outer_geometry, run, wait_until, window_name, window_of  # noqa: E402

SCREEN = (0, 0, 1280, 1024)


class RestoreTest(E2ETestCase):
    def go(self, app, name):
        with open(app.path(name + ".go"), "w"):
            pass

    def settles_at(self, wid, expected):
        """Waits until the window's outer geometry is `expected`; asserts it is."""
        wait_until(lambda: outer_geometry(wid) == expected, timeout=10)
        self.assertEqual(outer_geometry(wid), expected)

    def covers_the_screen(self, wid):
        # Maximized with its frame, or full screen: at least the screen's own size.
        self.assertTrue(wait_until(lambda: outer_geometry(wid)[2] >= 1278 and outer_geometry(wid)[3] >= 999,
                                   timeout=10), outer_geometry(wid))

    def test_every_restore_returns_to_the_normal_bounds(self):
        app = self.pack({"IndexHtml": "restore.html"})
        proc = app.start()
        app.wait_file("ready.json")
        wid = window_of(proc.pid)
        wait_until(lambda: outer_geometry(wid)[2] == 800, timeout=10)
        # Where a person put it, away from the centre the application chose.
        run("xdotool", "windowmove", "--sync", wid, "130", "90")
        before = wait_until(lambda: (lambda g: g if g[:2] != ((1280 - 800) // 2, (1024 - 600) // 2) else None)(
            outer_geometry(wid)), timeout=10)
        self.assertIsNotNone(before, "the window did not move")
        self.assertEqual(before[2:], (800, 600))
        self.go(app, "ready.json")

        app.wait_file("maximized.json")
        self.covers_the_screen(wid)
        self.go(app, "maximized.json")
        app.wait_file("restored.json")
        self.settles_at(wid, before)
        self.go(app, "restored.json")

        self.assertEqual(app.wait_file("fullscreen.json"), {"fullscreen": True})
        self.settles_at(wid, SCREEN)
        self.go(app, "fullscreen.json")
        self.assertEqual(app.wait_file("exited.json"), {"fullscreen": False})
        self.settles_at(wid, before)
        self.go(app, "exited.json")

        run("wmctrl", "-i", "-r", wid, "-b", "add,maximized_vert,maximized_horz")
        app.wait_file("wm-maximized.json")
        self.covers_the_screen(wid)
        self.go(app, "wm-maximized.json")
        run("wmctrl", "-i", "-r", wid, "-b", "remove,maximized_vert,maximized_horz")
        self.assertEqual(app.wait_file("wm-restored.json"), {"state": "normal"})
        self.settles_at(wid, before)
        self.go(app, "wm-restored.json")
        self.assertEqual(proc.wait(timeout=20), 0)

    def test_leaving_a_full_screen_start_gives_the_configured_window(self):
        app = self.pack({"IndexHtml": "restore.html", "WindowStyle": "1", "Width": "700", "Height": "500"})
        proc = app.start()
        self.assertEqual(app.wait_file("ready.json"), {"fullscreen": True})
        wid = window_of(proc.pid)
        self.settles_at(wid, SCREEN)
        self.go(app, "ready.json")
        self.assertEqual(app.wait_file("exited.json"), {"fullscreen": False})
        self.settles_at(wid, ((1280 - 700) // 2, (1024 - 500) // 2, 700, 500))
        self.go(app, "exited.json")
        self.assertEqual(proc.wait(timeout=20), 0)


class FixedBorderTest(E2ETestCase):
    """Single (1) and dialog (3) borders cannot be resized by a person, yet the configured size is
    the outer size, and `WindowState=1` maximizes them."""

    def started(self, ini):
        app = self.pack(dict({"IndexHtml": "ready.html"}, **ini))
        proc = app.start()
        app.wait_file("report.json")
        return proc, window_of(proc.pid)

    def test_the_configured_size_is_the_outer_size(self):
        for border in ("1", "3"):
            with self.subTest(border=border):
                _, wid = self.started({"WindowBorder": border})
                expected = ((1280 - 800) // 2, (1024 - 600) // 2, 800, 600)
                wait_until(lambda: outer_geometry(wid) == expected, timeout=10)
                self.assertEqual(outer_geometry(wid), expected)

    def test_window_state_1_maximizes(self):
        for border in ("1", "3"):
            with self.subTest(border=border):
                _, wid = self.started({"WindowBorder": border, "WindowState": "1"})
                atoms = lambda: run("xprop", "-id", wid, "_NET_WM_STATE").stdout
                maximized = lambda: all(a in atoms() for a in ("_NET_WM_STATE_MAXIMIZED_VERT",
                                                                "_NET_WM_STATE_MAXIMIZED_HORZ"))
                self.assertTrue(wait_until(maximized, timeout=10), atoms())
                self.assertTrue(wait_until(lambda: outer_geometry(wid)[2] >= 1278, timeout=10), outer_geometry(wid))


class CloseDuringCallTest(E2ETestCase):
    def dialog(self, title):
        found = wait_until(lambda: run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % title).stdout.split())
        self.assertTrue(found, "no dialog titled %r" % title)
        return found[0]

    def escape(self, wid):
        run("xdotool", "windowactivate", "--sync", wid)
        run("xdotool", "key", "Escape")

    def test_closing_while_a_dialog_is_open_waits_for_it(self):
        app = self.pack({"IndexHtml": "closing.html"})
        proc = app.start()
        app.wait_file("ready.json")
        self.escape(self.dialog("Probe first"))
        # vtr.app.close() has run, then the dialog opened: the close waits for the running call,
        # so the window stays while the dialog is open.
        second = self.dialog("Open file")
        self.assertIsNone(proc.poll())
        self.assertTrue(run("xdotool", "search", "--onlyvisible", "--name", "^vtr e2e$").stdout.split())
        self.escape(second)
        self.assertEqual(proc.wait(timeout=20), 0, app.output())


class SurrogatesTest(E2ETestCase):
    def test_half_a_surrogate_pair_reads_as_a_replacement_character(self):
        app = self.pack({"IndexHtml": "surrogates.html"})
        proc = app.start()
        r = app.wait_file("report.json")
        self.assertEqual(r["setTitle"], {"ok": True, "value": True})
        self.assertEqual(r["title"], "x\ufffdy")
        self.assertEqual(r["write"], {"ok": True, "value": True})
        self.assertEqual(r["lowFirst"], {"ok": True, "value": True})
        with open(app.path("half.txt"), encoding="utf-8-sig") as f:
            self.assertEqual(f.read(), "grin \ufffd\n")
        with open(app.path("low.txt"), encoding="utf-8-sig") as f:
            self.assertEqual(f.read(), "\ufffd\U0001F600\n")
        self.assertEqual(r["raw"], True)
        self.assertEqual(r["rawTitle"], "r\ufffds")
        self.assertEqual(window_name(window_of(proc.pid)), "r\ufffds")
        self.go_and_wait(app, proc)

    def go_and_wait(self, app, proc):
        with open(app.path("report.json.go"), "w"):
            pass
        self.assertEqual(proc.wait(timeout=20), 0)
        self.assertNotIn("not a JSON object", app.output())


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
