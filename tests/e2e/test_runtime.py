#!/usr/bin/python3
"""A packaged application runs end to end: served from its archive, bridged, windowed, closed."""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase, outer_geometry, run, wait_until, window_name, window_of  # noqa: E402

WEBVIEWJS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "webviewjs.js")


class BasicsTest(E2ETestCase):
    def test_page_bridge_and_serving(self):
        app = self.pack({"IndexHtml": "basics.html"}, webviewjs=WEBVIEWJS)
        with open(app.path("beside.txt"), "w") as f:
            f.write("from beside the executable\n")
        proc = app.start()
        report = app.wait_file("report.json")
        self.assertEqual(report["hello"], {"ok": True, "value": "2022.4"})
        self.assertEqual(report["isRuntime"], {"ok": True, "value": True})
        self.assertEqual(report["inFlight"], ["2022.4", True])
        self.assertEqual(report["strayReplies"], 0)
        self.assertEqual(report["helloAfterBadMessages"], {"ok": True, "value": "2022.4"})
        self.assertEqual(report["missingArgument"], {"ok": False, "value": "Missing filePath"})
        self.assertEqual(report["pageType"], "text/html; charset=utf-8")
        self.assertTrue(report["mjsType"].startswith("text/javascript"), report["mjsType"])
        self.assertEqual(report["beside"], "from beside the executable")
        self.assertEqual(report["module"], 42)
        self.assertEqual(report["worker"], 21)
        self.assertEqual(report["webviewjs"], 42)
        # The page's vtr.app.close() ends the application normally.
        self.assertEqual(proc.wait(timeout=20), 0)


class CloseTest(E2ETestCase):
    def test_close_box_goes_through_the_page(self):
        app = self.pack({"IndexHtml": "ready.html"})
        proc = app.start()
        app.wait_file("report.json")
        run("wmctrl", "-i", "-c", window_of(proc.pid))
        self.assertEqual(proc.wait(timeout=20), 0)

    def test_a_page_that_refuses_keeps_the_window(self):
        app = self.pack({"IndexHtml": "ready.html#refuse"})
        proc = app.start()
        app.wait_file("report.json")
        wid = window_of(proc.pid)
        run("wmctrl", "-i", "-c", wid)
        self.assertEqual(app.wait_file("asked.json")["asked"], 1)
        time.sleep(0.5)
        self.assertIsNone(proc.poll())
        self.assertIn(wid, run("xdotool", "search", "--pid", str(proc.pid)).stdout.split())


class InstancesTest(E2ETestCase):
    def test_second_instance_ends_and_a_launch_by_the_instance_opens_its_url(self):
        app = self.pack({"IndexHtml": "ready.html"})
        first = app.start()
        app.wait_file("report.json")
        second = app.start()
        self.assertEqual(second.wait(timeout=30), 0)
        self.assertEqual(run("xdotool", "search", "--pid", str(second.pid)).stdout.strip(), "")
        third = app.start(app.id, "file:///page2.html")
        report = app.wait_file("report2.json")
        self.assertEqual(report["page"], "page2")
        self.assertIsNone(third.poll())
        self.assertIsNone(first.poll())
        # With a third argument the launch is not the instance's own: it ends too.
        fourth = app.start(app.id, "file:///page2.html", "extra")
        self.assertEqual(fourth.wait(timeout=30), 0)

    def test_a_file_link_with_a_target_starts_a_new_instance(self):
        app = self.pack({"IndexHtml": "links.html"})
        first = app.start()
        self.assertTrue(app.wait_file("report.json")["ready"])
        # The link fills the page: a click anywhere in the window follows it, as a person would.
        wid = window_of(first.pid)
        run("xdotool", "mousemove", "--window", wid, "200", "200", "click", "1")
        report = app.wait_file("report2.json")
        self.assertEqual(report["page"], "page2")
        self.assertIsNone(first.poll())
        # The new instance is a process of its own, not a window of the first.
        pids = wait_until(lambda: [p for p in run("pgrep", "-f", app.exe).stdout.split() if int(p) != first.pid])
        self.assertTrue(pids)
        for pid in pids:
            subprocess.run(["kill", pid])


class GeometryTest(E2ETestCase):
    def measure(self, ini, settled):
        app = self.pack(dict(ini, IndexHtml="ready.html"))
        proc = app.start()
        app.wait_file("report.json")
        wid = window_of(proc.pid)
        return wait_until(lambda: (lambda g: g if settled(g) else None)(outer_geometry(wid)), timeout=10) or \
            outer_geometry(wid), wid

    def test_default_is_800_by_600_outer_and_centred(self):
        g, _ = self.measure({}, lambda g: g[2] == 800)
        self.assertEqual(g, ((1280 - 800) // 2, (1024 - 600) // 2, 800, 600))

    def test_minimum_width_wins(self):
        g, _ = self.measure({"MinWidth": "1000"}, lambda g: g[2] == 1000)
        self.assertEqual(g[2], 1000)

    def test_window_style_1_is_borderless_and_maximized(self):
        g, wid = self.measure({"WindowStyle": "1", "WindowBorder": "3", "WindowState": "0"},
                              lambda g: g[2] == 1280)
        self.assertEqual(g, (0, 0, 1280, 1024))
        self.assertIn("_NET_WM_STATE_MAXIMIZED_VERT", run("xprop", "-id", wid, "_NET_WM_STATE").stdout)


class TitleTest(E2ETestCase):
    def test_dynamic_title_follows_the_document(self):
        for dynamic, expected in (("1", "Report"), ("0", "vtr e2e")):
            with self.subTest(dynamic=dynamic):
                app = self.pack({"IndexHtml": "title.html", "DynamicAppTitle": dynamic})
                proc = app.start()
                app.wait_file("report.json")
                wid = window_of(proc.pid)
                self.assertEqual(wait_until(lambda: window_name(wid) == expected and expected, timeout=5), expected)


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
