#!/usr/bin/python3
"""The start-up gates of a packaged application, driven as a person would: the message for a
runtime without an archive, the browser-runtime gate with its installer and splash, and the
password dialog. Every dialog is kept as a screenshot in the build directory."""
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import (BIN_DIR, E2ETestCase, expected_window_class, outer_geometry, run, wait_until,  # noqa: E402
                     window_class, window_icons, window_name)

HERE = os.path.dirname(os.path.abspath(__file__))
STAND_INS = os.path.join(HERE, "stand-ins")
TEST_ENGINE = os.environ["VTR_TEST_ENGINE"]
SCREENSHOTS = os.environ.get("VTR_SCREENSHOT_DIR", tempfile.gettempdir())
WEBKIT_HELPERS = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1"
# A 32 x 32 red PNG: the application's icon where a test gives one.
RED_PNG = os.path.join(HERE, "..", "fixtures", "icons", "red.png")

# Window titles of the message dialogs in each language: (error, confirm).
TITLES = {
    "en": ("Error", "Confirm"),
    "es": ("Error", "Confirmar"),
    "it": ("Errore", "Confermare"),
    "de": ("Error", "Bestätigen"),
    "fr": ("Erreur", "Confirmer"),
    "zh": ("错误", "确认"),
}
LOCALES = {"en": "en_US.UTF-8", "es": "es_ES.UTF-8", "it": "it_IT.UTF-8", "de": "de_CH.UTF-8",
           "fr": "fr_FR.UTF-8", "zh": "zh_CN.UTF-8"}


def locale_env(lang):
    """The variables of a user whose language is lang: LANG, with LC_ALL and LC_MESSAGES unset."""
    return {"LC_ALL": None, "LC_MESSAGES": None, "LANG": lang}


def screenshot(name):
    os.makedirs(SCREENSHOTS, exist_ok=True)
    run("import", "-window", "root", os.path.join(SCREENSHOTS, name + ".png"))


def visible_windows(pid):
    return run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).stdout.split()


def wait_window(proc, name=None, timeout=30):
    """A visible window of proc (with that title when given), once it has the focus."""
    def find():
        for wid in visible_windows(proc.pid):
            if name is None or window_name(wid) == name:
                return wid
        return None
    wid = wait_until(find, timeout=timeout)
    if not wid:
        raise AssertionError("no window %r of pid %d (exit %r)" % (name, proc.pid, proc.poll()))
    run("xdotool", "windowactivate", "--sync", wid)
    time.sleep(0.3)
    return wid


def wait_gone(proc, wid, timeout=20):
    return wait_until(lambda: wid not in visible_windows(proc.pid) or proc.poll() is not None, timeout=timeout)


def key(*keys):
    run("xdotool", "key", *keys)


def click_close_box(wid):
    """Clicks the window manager's close box, at the right end of the title bar."""
    x, y, w, _ = outer_geometry(wid)
    extents = run("xprop", "-id", wid, "_NET_FRAME_EXTENTS").stdout
    right, top = 0, 0
    if "=" in extents:
        left, right, top, bottom = (int(v) for v in extents.split("=")[1].split(","))
    run("xdotool", "mousemove", "--sync", str(x + w - right - top // 2), str(y + top // 2), "click", "1")


def assert_carries_the_applications_identity(test, app, wid):
    """The window has the class made from the application's ID and the red icon."""
    test.assertEqual(window_class(wid), (expected_window_class(app.id),) * 2)
    icons = window_icons(wid)
    test.assertEqual(list(icons), [(32, 32)], window_name(wid))
    test.assertEqual(icons[(32, 32)][16 * 32 + 16], 0xFFE01010)  # the fixture's red


def processes_of(exe):
    return [int(p) for p in run("pgrep", "-f", "^" + exe + "( |$)").stdout.split()]


class BareRuntimeTest(E2ETestCase):
    """The runtime started with nothing appended says so in the user's language."""

    def test_dialog_5_in_each_language(self):
        data = tempfile.mkdtemp(prefix="vtr-gates-")
        self.addCleanup(shutil.rmtree, data, True)
        for code, lang in list(LOCALES.items()) + [("pt", "pt_PT.UTF-8")]:
            with self.subTest(lang=lang):
                env = {k: v for k, v in dict(os.environ, **locale_env(lang), XDG_DATA_HOME=data).items()
                       if v is not None}
                proc = subprocess.Popen([os.path.join(BIN_DIR, "vtr")], env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True)
                try:
                    expected = TITLES.get(code, TITLES["en"])[0]
                    wid = wait_window(proc, expected)
                    # Before any application is known, the windows carry the vtr icon.
                    self.assertEqual(sorted(w for w, h in window_icons(wid)), [16, 24, 32, 48, 64, 128, 256])
                    screenshot("e2e-dialog5-" + code)
                    key("Return")
                    self.assertEqual(proc.wait(timeout=20), 0)
                finally:
                    if proc.poll() is None:
                        proc.kill()
                        proc.wait()
        # Nothing was created: the application's identity is unknown.
        self.assertEqual(os.listdir(data), [])


class RuntimeGateTest(E2ETestCase):
    """The browser-runtime gate, with the test engine reporting no usable browser."""

    def pack_gate(self, ini=None, installer="installer-fails.sh", icon=None):
        args = ["--engine", TEST_ENGINE] + (["--icon", icon] if icon else [])
        if installer:
            args += ["--installer", os.path.join(STAND_INS, installer)]
        return self.pack(dict({"IndexHtml": "ready.html"}, **(ini or {})), pack_args=args)

    def start_gate(self, app, lang="en_US.UTF-8", **extra):
        env = dict(locale_env(lang), VTR_TEST_ENGINE_VERSION="none", VTR_E2E_DIR=app.dir,
                   VTR_PKEXEC_LOG=app.path("pkexec-log"), PATH=STAND_INS + os.pathsep + os.environ["PATH"])
        env.update(extra)
        return app.start(env=env)

    def data_folder(self, app):
        return os.path.join(app.data_home, app.id)

    def test_no_installer_offered_shows_dialog_6_and_removes_nothing(self):
        app = self.pack_gate({"EdgeInstaller": "0"})
        proc = self.start_gate(app, "de_CH.UTF-8")
        wait_window(proc, "Error")
        screenshot("e2e-dialog6-de")
        key("Return")
        self.assertEqual(proc.wait(timeout=20), 0)
        self.assertTrue(os.path.isdir(self.data_folder(app)))
        self.assertFalse(os.path.exists(app.path("pkexec-log")))

    def test_declining_shows_dialog_8_and_removes_the_data_folder(self):
        ways = {
            "Esc": lambda wid: key("Escape"),
            "the second button": lambda wid: key("Tab", "space"),
            "the close box": click_close_box,
        }
        for way, act in ways.items():
            with self.subTest(way=way):
                app = self.pack_gate()
                proc = self.start_gate(app, "fr_FR.UTF-8")
                wid = wait_window(proc, "Confirmer")
                if way == "Esc":
                    screenshot("e2e-dialog7-fr")
                act(wid)
                wait_window(proc, "Erreur")
                if way == "Esc":
                    screenshot("e2e-dialog8-fr")
                key("Return")
                self.assertEqual(proc.wait(timeout=20), 0)
                self.assertFalse(os.path.exists(self.data_folder(app)))
                self.assertFalse(os.path.exists(app.path("pkexec-log")), "the installer ran")

    def test_failed_installation_shows_the_splash_then_dialog_9(self):
        app = self.pack_gate({"InstallIndicatorType": "2"}, icon=RED_PNG)
        proc = self.start_gate(app, "zh_CN.UTF-8")
        # Every window of the gate carries the application's icon and class: dialogs and splash.
        assert_carries_the_applications_identity(self, app, wait_window(proc, "确认"))
        key("Return")
        splash = wait_window(proc, "EdgeInstallerForm")
        assert_carries_the_applications_identity(self, app, splash)
        installer = os.path.join(self.data_folder(app), "WebView2Installer.exe")
        self.assertTrue(wait_until(lambda: os.path.exists(app.path("installer-args"))))
        # Elevated through pkexec (found on PATH), with "/silent" and "/install" as two arguments.
        with open(app.path("pkexec-log")) as f:
            self.assertEqual(f.read().splitlines(), [installer, "/silent", "/install"])
        with open(app.path("installer-args")) as f:
            self.assertEqual(f.read().splitlines(), ["/silent", "/install"])
        self.assertTrue(os.stat(installer).st_mode & stat.S_IXUSR)
        # The splash: 80 x 80, borderless, centred, off the taskbar, deaf to Alt+F4.
        self.assertEqual(outer_geometry(splash), ((1280 - 80) // 2, (1024 - 80) // 2, 80, 80))
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", run("xprop", "-id", splash, "_NET_WM_STATE").stdout)
        screenshot("e2e-splash-sector-ring")
        key("alt+F4")
        run("wmctrl", "-i", "-c", splash)
        time.sleep(0.5)
        self.assertIn(splash, visible_windows(proc.pid))
        self.assertIsNone(proc.poll())
        # The installer ends without installing anything.
        open(app.path("installer-go"), "w").close()
        assert_carries_the_applications_identity(self, app, wait_window(proc, "错误"))
        screenshot("e2e-dialog9-zh")
        key("Return")
        self.assertEqual(proc.wait(timeout=20), 0)
        self.assertFalse(os.path.exists(self.data_folder(app)))

    def test_an_archive_without_installer_fails_the_same_way(self):
        app = self.pack_gate(installer=None)
        proc = self.start_gate(app)
        wait_window(proc, "Confirm")
        key("Return")
        wait_window(proc, "Error")
        key("Return")
        self.assertEqual(proc.wait(timeout=20), 0)
        self.assertFalse(os.path.exists(self.data_folder(app)))
        # The empty installer file was handed to pkexec all the same.
        with open(app.path("pkexec-log")) as f:
            self.assertEqual(f.read().splitlines()[1:], ["/silent", "/install"])

    def test_an_installer_left_by_an_earlier_start_is_used_as_it_is(self):
        app = self.pack_gate()
        folder = self.data_folder(app)
        os.makedirs(folder)
        earlier = os.path.join(folder, "WebView2Installer.exe")
        with open(earlier, "w") as f:
            f.write('#!/bin/sh\necho earlier >"$VTR_E2E_DIR/installer-args"\nexit 1\n')
        os.chmod(earlier, 0o644)  # as an extraction leaves it: not executable
        proc = self.start_gate(app)
        wait_window(proc, "Confirm")
        key("Return")
        wait_window(proc, "Error")
        with open(app.path("installer-args")) as f:
            self.assertEqual(f.read(), "earlier\n")
        key("Return")
        self.assertEqual(proc.wait(timeout=20), 0)

    def test_successful_installation_starts_the_application_again(self):
        # The real engine, with WebKit's helper programs missing until the installer has run.
        app = self.pack({"IndexHtml": "ready.html"},
                        pack_args=["--installer", os.path.join(STAND_INS, "installer-webkit.sh")])
        helpers = os.path.join(app.dir, "webkit-helpers")
        os.mkdir(helpers)
        self.addCleanup(self.kill_instances, app)
        proc = self.start_gate(app, WEBKIT_EXEC_PATH=helpers, VTR_E2E_WEBKIT_HELPERS=WEBKIT_HELPERS)
        wait_window(proc, "Confirm")
        key("Return")
        self.assertEqual(proc.wait(timeout=60), 0)
        # The new instance found the runtime in place and opened the application.
        report = app.wait_file("report.json")
        self.assertTrue(report["href"].endswith("ready.html"))
        self.assertFalse(os.path.exists(os.path.join(self.data_folder(app), "WebView2Installer.exe")))
        self.assertTrue(os.path.isdir(self.data_folder(app)))
        self.assertTrue(processes_of(app.exe))

    def kill_instances(self, app):
        for pid in processes_of(app.exe):
            try:
                os.kill(pid, 9)
            except OSError:
                pass


class PasswordGateTest(E2ETestCase):
    """The password dialog, with the real engine behind it."""

    def pack_password(self, *pack_args):
        return self.pack({"IndexHtml": "ready.html", "Password": "abc"}, pack_args=pack_args)

    def test_typing_the_password_opens_the_application(self):
        app = self.pack_password("--icon", RED_PNG)
        proc = app.start()
        wid = wait_window(proc, "vtr e2e")
        assert_carries_the_applications_identity(self, app, wid)
        screenshot("e2e-password-dialog")
        run("xdotool", "type", "--delay", "50", "ab")
        time.sleep(0.5)
        self.assertIn(wid, visible_windows(proc.pid))
        self.assertFalse(os.path.exists(app.path("report.json")))
        run("xdotool", "type", "c")
        self.assertTrue(app.wait_file("report.json"))
        self.assertIsNone(proc.poll())

    def test_the_close_box_ends_without_a_word(self):
        app = self.pack_password()
        proc = app.start()
        wid = wait_window(proc, "vtr e2e")
        run("xdotool", "type", "--delay", "50", "ABC")
        click_close_box(wid)
        self.assertEqual(proc.wait(timeout=20), 0)
        self.assertFalse(os.path.exists(app.path("report.json")))

    def test_a_launch_by_the_instance_is_not_asked(self):
        app = self.pack_password()
        proc = app.start(app.id)
        self.assertTrue(app.wait_file("report.json"))
        self.assertIsNone(proc.poll())

    def test_a_second_instance_asks_first_then_ends(self):
        app = self.pack_password()
        first = app.start(app.id)
        app.wait_file("report.json")
        second = app.start()
        wait_window(second, "vtr e2e")
        run("xdotool", "type", "--delay", "50", "abc")
        self.assertEqual(second.wait(timeout=30), 0)
        self.assertIsNone(first.poll())


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
