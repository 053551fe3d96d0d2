#!/usr/bin/python3
"""A packed application started on a machine without WebKitGTK reaches the runtime gate's
message, never a dynamic-loader error: the runtime itself needs no WebKitGTK, only the engine it
loads does. The machine without WebKitGTK is this one, in a private mount namespace where an
empty file lies over each library of WebKitGTK (and its JavaScript engine and libsoup) that the
engine resolves. Needs root for the namespace."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from vtr_e2e import BIN_DIR, E2ETestCase, run, wait_until  # noqa: E402

ENGINE = os.path.join(BIN_DIR, "libvtr-engine-webkitgtk.so")
HIDDEN = ("libwebkit2gtk-4.1.so.0", "libjavascriptcoregtk-4.1.so.0", "libsoup-3.0.so.0")
DIALOG_6 = ("The Microsoft WebView2 runtime is required to run this application. "
            "This application cannot continue and will be closed now.")
LOADER_ERROR = "error while loading shared libraries"

# Lays the empty file over every library named after it, then runs the command: all inside the
# namespace that unshare made, so nothing outside it changes.
HIDE = 'empty=$1; shift; while [ "$1" != -- ]; do mount --bind "$empty" "$1" || exit 97; shift; done; shift; exec "$@"'


def webkit_files():
    """The files the loader maps for the engine's WebKitGTK libraries."""
    out = run("ldd", ENGINE).stdout
    files = []
    for name in HIDDEN:
        m = re.search(r"^\s*" + re.escape(name) + r" => (\S+)", out, re.M)
        if not m:
            raise AssertionError("ldd does not resolve %s for the engine:\n%s" % (name, out))
        files.append(os.path.realpath(m.group(1)))
    return files


@unittest.skipUnless(os.geteuid() == 0, "needs root for a private mount namespace")
@unittest.skipUnless(shutil.which("unshare"), "unshare (util-linux) is not installed")
class WithoutWebKitTest(E2ETestCase):
    def setUp(self):
        self.empty = tempfile.NamedTemporaryFile(prefix="vtr-no-webkit-")
        self.addCleanup(self.empty.close)
        self.hidden = webkit_files()

    def without_webkit(self, *command):
        return ["unshare", "--mount", "--propagation", "private", "/bin/sh", "-c", HIDE, "sh",
                self.empty.name, *self.hidden, "--", *command]

    def test_the_engine_cannot_be_loaded_there(self):
        # The ground the other test stands on: in the namespace the engine fails to load on its
        # WebKitGTK, while outside it loads.
        probe = "import ctypes, sys; ctypes.CDLL(sys.argv[1]); print('loaded')"
        outside = subprocess.run(["/usr/bin/python3", "-c", probe, ENGINE], capture_output=True, text=True, timeout=60)
        self.assertEqual(outside.stdout.strip(), "loaded", outside.stderr)
        inside = subprocess.run(self.without_webkit("/usr/bin/python3", "-c", probe, ENGINE),
                                capture_output=True, text=True, timeout=60)
        self.assertNotEqual(inside.returncode, 0)
        self.assertRegex(inside.stderr, r"lib(webkit2gtk|javascriptcoregtk|soup)")

    def start(self, app, env):
        env = {k: v for k, v in dict(os.environ, XDG_DATA_HOME=app.data_home, LANG="en_US.UTF-8", LC_ALL=None,
                                     LC_MESSAGES=None, **env).items() if v is not None}
        proc = subprocess.Popen(self.without_webkit(app.exe), env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
        app.procs.append(proc)
        return proc

    def test_a_packed_application_shows_the_runtime_gates_message(self):
        app = self.pack({"IndexHtml": "ready.html", "EdgeInstaller": "0"})
        # The message dialog appears (unshare and sh exec into the application: same process).
        proc = self.start(app, {})
        wid = wait_until(lambda: [w for w in run("xdotool", "search", "--onlyvisible", "--pid", str(proc.pid))
                                  .stdout.split() if run("xdotool", "getwindowname", w).stdout.strip() == "Error"],
                         timeout=30)
        if not wid:
            proc.kill()
            self.fail("no error dialog; output: %s %s" % proc.communicate(timeout=10))
        run("xdotool", "windowactivate", "--sync", wid[0])
        run("xdotool", "key", "Return")
        _, err = proc.communicate(timeout=30)
        self.assertEqual(proc.returncode, 0, err)
        self.assertNotIn(LOADER_ERROR, err)
        # The engine was extracted and found unusable: the gate, not a missing file, said no.
        engine = os.path.join(app.data_home, app.id, "Win64", "WebView2LoaderWin64.dll")
        self.assertGreater(os.path.getsize(engine), 0)

        # Its text is the gate's message 6: without a display it goes to standard error.
        proc = self.start(app, {"DISPLAY": None, "WAYLAND_DISPLAY": None})
        out, err = proc.communicate(timeout=60)
        self.assertEqual(proc.returncode, 0, err)
        self.assertNotIn(LOADER_ERROR, err)
        self.assertIn("Error: " + DIALOG_6, err)


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
