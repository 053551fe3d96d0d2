#!/usr/bin/python3
"""The native main menu and the visual styles of a packed application, driven as a person would:
the page builds the menu through window.vtr, the test opens and chooses items with the mouse and
the keyboard (xdotool) and reads the colours of the window back from screenshots."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase, run, wait_until, window_of  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
ICONS = os.path.join(ROOT, "tests", "fixtures", "icons")
STYLES = os.path.join(ROOT, "src", "resources", "styles")


def palette(resource, name):
    """A colour of a catalogue style, as (r, g, b), from its source file."""
    with open(os.path.join(STYLES, resource + ".style"), encoding="utf-8") as f:
        value = re.search(r"^" + name + r"=#([0-9a-fA-F]{6})", f.read(), re.M).group(1)
    return tuple(int(value[i:i + 2], 16) for i in (0, 2, 4))


def client_origin(wid):
    info = run("xwininfo", "-id", wid).stdout
    val = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
    return val("Absolute upper-left X"), val("Absolute upper-left Y"), val("Width"), val("Height")


def screen_pixel(x, y):
    """The colour at (x, y) of a screenshot of the whole display."""
    out = subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "txt:-"],
                         capture_output=True, text=True, timeout=30).stdout
    m = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
    scale = 257 if "65535" in out.splitlines()[0] else 1
    return tuple(int(g) // scale for g in m.groups())


def near(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def popup_windows(pid, main):
    """The visible windows of the process other than its main window: its open menus."""
    found = run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).stdout.split()
    return [w for w in found if w != main]


def key(*keys):
    run("xdotool", "key", "--delay", "60", *keys)


class PointerParked(E2ETestCase):
    def setUp(self):
        # The pointer leaves the windows afterwards, so that it hovers over nothing of a later test's.
        self.addCleanup(run, "xdotool", "mousemove", "1279", "1023")


class MenuTest(PointerParked):
    def start_menu_page(self):
        scratch = tempfile.mkdtemp(prefix="vtr-e2e-icon-")
        self.addCleanup(shutil.rmtree, scratch, True)
        absolute = os.path.join(scratch, "yellow.gif")
        shutil.copy(os.path.join(ICONS, "yellow.gif"), absolute)
        shutil.copy(os.path.join(ICONS, "broken.png"), absolute + ".broken")
        app = self.pack({"IndexHtml": "menu.html#" + absolute})
        shutil.copy(os.path.join(ICONS, "blue.bmp"), app.path("beside.bmp"))
        shutil.copy(os.path.join(ICONS, "broken.png"), app.path("broken-beside.png"))
        proc = app.start()
        return app, proc, app.wait_file("report.json", timeout=60)

    def test_answers_and_the_example_menu_by_mouse_and_keyboard(self):
        app, proc, report = self.start_menu_page()
        ok = lambda v: {"ok": True, "value": v}
        fail = lambda v: {"ok": False, "value": v}
        self.assertEqual(report["beforeAnyMenu"], fail("No menu items"))
        self.assertEqual(report["missing"], fail("Missing menu items"))
        self.assertEqual(report["notJson"], fail("Wrong menu items JSON"))
        self.assertEqual(report["object"], fail("Wrong menu items JSON"))
        self.assertEqual(report["wrongItem"], fail("Wrong menu item JSON"))
        self.assertEqual(report["nullItems"], fail("Wrong menu item JSON"))
        # Argument errors leave the call unanswered; the page goes on.
        for name in ("arrayGiven", "badEnabled", "notAnObject", "brokenBeside", "brokenAbsolute"):
            self.assertEqual(report[name], "pending", name)
        self.assertEqual(report["icons"], ok(True))
        self.assertEqual(report["empty"], ok(True))
        self.assertEqual(report["example"], ok(True))
        self.assertEqual(report["update"], [fail("No menu items"), fail("Missing item ID"), fail("Wrong item ID"),
                                            fail("Wrong item ID"), ok(True), ok(True), "pending", ok(True)])

        # The mouse: File opens its menu, Quit reports its id to the page.
        wid = window_of(proc.pid)
        x, y, width, height = client_origin(wid)
        run("xdotool", "mousemove", "--sync", str(x + 16), str(y + 8), "click", "1")
        menus = wait_until(lambda: popup_windows(proc.pid, wid), timeout=10)
        self.assertTrue(menus, "File did not open")
        mx, my, mw, mh = client_origin(menus[0])
        run("xdotool", "mousemove", "--sync", str(mx + mw // 2), str(my + mh // 2), "click", "1")
        self.assertEqual(app.wait_file("clicks.json")["clicks"], [2])
        self.assertTrue(wait_until(lambda: not popup_windows(proc.pid, wid), timeout=10))

        # The keyboard, with the page focused: the access keys open File and choose Quit; the page
        # sees no keydown of them, and a key no one claims reaches it.
        run("xdotool", "mousemove", "--sync", str(x + width // 2), str(y + height // 2), "click", "1")
        key("alt+f")
        self.assertTrue(wait_until(lambda: popup_windows(proc.pid, wid), timeout=10), "Alt+F did not open File")
        key("q")
        self.assertTrue(wait_until(lambda: len(app.wait_file("clicks.json")["clicks"]) == 2, timeout=10))
        key("k")  # reported with the next click
        run("xdotool", "mousemove", "--sync", str(x + 16), str(y + 8), "click", "1")
        menus = wait_until(lambda: popup_windows(proc.pid, wid), timeout=10)
        mx, my, mw, mh = client_origin(menus[0])
        run("xdotool", "mousemove", "--sync", str(mx + mw // 2), str(my + mh // 2), "click", "1")
        final = wait_until(lambda: (lambda c: c if len(c["clicks"]) == 3 else None)(app.wait_file("clicks.json")),
                           timeout=10)
        self.assertEqual(final["clicks"], [2, 2, 2])
        self.assertIn("k", final["keys"])
        self.assertNotIn("f", final["keys"])
        self.assertNotIn("q", final["keys"])
        self.assertIsNone(proc.poll())


class ThemesTest(PointerParked):
    def test_functions_and_the_menu_bar_in_a_dark_style_and_the_system_look(self):
        app = self.pack({"IndexHtml": "themes.html"})
        proc = app.start()
        report = app.wait_file("report.json", timeout=60)
        ok = lambda v: {"ok": True, "value": v}
        self.assertEqual(report["initial"], ok("Windows"))
        names = report["themes"]["value"]
        self.assertEqual(len(names), 40)
        self.assertEqual(names[:3], ["Amakrits", "Amethyst Kamri", "Aqua Graphite"])
        self.assertEqual(names[32:], ["Turquoise Gray", "Windows", "Windows10", "Windows10 Blue", "Windows10 Dark",
                                      "Windows10 Green", "Windows10 Purple", "Windows10 SlateGray"])
        self.assertEqual(report["steps"], [
            ["Windows10 Dark", ok(True), ok("Windows10 Dark")],
            ["windows10 dark", ok(False), ok("Windows10 Dark")],
            ["No Such Style", ok(False), ok("Windows10 Dark")],
            ["", ok(False), ok("Windows10 Dark")],
            [None, ok(False), ok("Windows10 Dark")],
            ["Windows", ok(True), ok("Windows")],
        ])
        self.assertEqual(report["menu"], ok(True))

        wid = window_of(proc.pid)
        x, y, width, _ = client_origin(wid)
        bar = (x + width - 10, y + 8)  # clear of the menu's titles
        system = screen_pixel(*bar)
        dark = palette("WINDOWSDARK", "menubar_bg")
        self.assertFalse(near(system, dark), system)

        # The page has the focus; the Style menu is driven by its access keys.
        run("xdotool", "mousemove", "--sync", str(x + width // 2), str(y + 200), "click", "1")
        key("alt+s", "d")
        self.assertEqual(app.wait_file("theme-1.json"), {"id": 11, "set": ok(True), "now": ok("Windows10 Dark")})
        self.assertTrue(wait_until(lambda: near(screen_pixel(*bar), dark), timeout=10), screen_pixel(*bar))

        key("alt+s", "s")
        self.assertEqual(app.wait_file("theme-2.json"), {"id": 12, "set": ok(True), "now": ok("Windows")})
        self.assertTrue(wait_until(lambda: near(screen_pixel(*bar), system), timeout=10), screen_pixel(*bar))

        key("alt+s", "q")
        self.assertEqual(proc.wait(timeout=20), 0)

    def test_the_configured_style_is_there_from_the_start(self):
        app = self.pack({"IndexHtml": "themes.html", "Theme": "Carbon"})
        proc = app.start()
        report = app.wait_file("report.json", timeout=60)
        self.assertEqual(report["initial"], {"ok": True, "value": "Carbon"})
        self.assertIsNone(proc.poll())


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
