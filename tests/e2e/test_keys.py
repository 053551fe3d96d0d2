#!/usr/bin/python3
"""The browser's own keys in a packed application, pressed as a person would: F5 and Ctrl+R
reload, Alt+Left and Alt+Right walk the history, Ctrl+P opens the print dialog, and F12 and
Ctrl+Shift+I open the developer tools only when the application allows debugging."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase, run, titled, wait_until, window_name, window_of  # noqa: E402


class KeysTest(E2ETestCase):
    def start(self, ini):
        app = self.pack(dict({"IndexHtml": "keys.html"}, **ini))
        proc = app.start()
        self.reports = 0
        self.app = app
        self.expect("load", 1, "")
        self.wid = window_of(proc.pid)
        return app, proc

    def press(self, keys):
        """Gives the page the keyboard (a click into it) and presses keys."""
        run("xdotool", "windowactivate", "--sync", self.wid)
        run("xdotool", "mousemove", "--window", self.wid, "200", "200", "click", "1")
        run("xdotool", "key", keys)

    def expect(self, what, loads, hash):
        self.reports += 1
        self.assertEqual(self.app.wait_file("keys-%d.json" % self.reports),
                         {"what": what, "loads": loads, "hash": hash})

    def no_report(self):
        wait_until(lambda: False, timeout=1.5)
        self.assertFalse(os.path.exists(self.app.path("keys-%d.json" % (self.reports + 1))))

    def windows(self, pid):
        return set(run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).stdout.split())

    def test_reload_history_and_print(self):
        app, proc = self.start({})
        open(app.path("keys-hash.go"), "w").close()
        self.expect("hash", 1, "#two")
        self.press("F5")
        self.expect("load", 2, "#two")
        self.press("ctrl+r")
        self.expect("load", 3, "#two")
        self.press("alt+Left")
        self.expect("hash", 3, "")
        self.press("alt+Right")
        self.expect("hash", 3, "#two")

        # Ctrl+P: the print dialog, owned by the window; Escape closes it and nothing else happens.
        self.press("ctrl+p")
        found = wait_until(lambda: titled("Print"))
        self.assertTrue(found, "no print dialog")
        self.assertIn(found[0], self.windows(proc.pid))
        run("xdotool", "windowactivate", "--sync", found[0])
        run("xdotool", "key", "Escape")
        self.assertTrue(wait_until(lambda: not titled("Print"), timeout=10))
        self.no_report()

        # Developer tools are off without AllowDebug.
        before = self.windows(proc.pid)
        for keys in ("F12", "ctrl+shift+i"):
            self.press(keys)
        wait_until(lambda: False, timeout=2)
        self.assertEqual(self.windows(proc.pid), before)
        self.no_report()

    def test_developer_tools_with_allow_debug(self):
        app, proc = self.start({"AllowDebug": "1"})
        before = self.windows(proc.pid)
        self.press("F12")
        # A window of their own, which stays.
        tools = lambda: [w for w in self.windows(proc.pid) - before if "Inspector" in window_name(w)]
        self.assertTrue(wait_until(tools, timeout=20), "no developer tools window")
        wait_until(lambda: False, timeout=2)
        self.assertTrue(tools(), "the developer tools window went")
        self.no_report()


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
