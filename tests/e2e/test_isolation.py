#!/usr/bin/python3
"""Nothing from outside the application reaches its bridge or its files: a web page it opens in
a new window, a web page it embeds, a page another user planted on disk, special files."""
import http.server
import os
import shutil
import stat
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import PROBE, E2ETestCase, run, wait_until, window_of  # noqa: E402

POPUP = """<!doctype html><html><head><meta charset="utf-8"><title>web popup</title></head><body>
<script>
const say = (k, v) => fetch('/report?tag=%(tag)s&k=' + k + '&v=' + encodeURIComponent(String(v)));
(async () => {
  await say('vtr', typeof window.vtr);
  await say('webview', typeof (window.chrome && window.chrome.webview));
  await say('handlers', typeof (window.webkit && window.webkit.messageHandlers &&
                                window.webkit.messageHandlers.vtrWebView));
  // Every way a page of the application could reach the bridge.
  const msg = { id: 70003, uuid: 'evil-%(tag)s', data: { command: 'touch %(marker)s' } };
  try { window.chrome.webview.postMessage(msg); } catch (e) {}
  try { window.webkit.messageHandlers.vtrWebView.postMessage(JSON.stringify(msg)); } catch (e) {}
  try { document.dispatchEvent(new CustomEvent('vtr-webview-post', { detail: JSON.stringify(msg) })); } catch (e) {}
  try { window.vtr.shell.command({ command: 'touch %(marker)s' }); } catch (e) {}
  try { window.opener.vtr.shell.command({ command: 'touch %(marker)s' }); } catch (e) {}
  await say('done', 1);
})();
</script></body></html>"""

FRAME = """<!doctype html><html><head><meta charset="utf-8"><title>web frame</title></head><body>
<script>
const say = (k, v) => fetch('/report?tag=frame&k=' + k + '&v=' + encodeURIComponent(String(v)));
const image = (src) => new Promise((r) => {
  const i = new Image(); i.onload = () => r('loaded'); i.onerror = () => r('error'); i.src = src; });
const script = (src) => new Promise((r) => {
  const s = document.createElement('script');
  s.onload = () => r(typeof window.vtrLeak === 'undefined' ? 'loaded' : 'leaked ' + window.vtrLeak);
  s.onerror = () => r('error'); s.src = src; document.head.appendChild(s); });
const media = (src) => new Promise((r) => {
  const a = document.createElement('audio'); a.muted = true;
  a.oncanplay = () => r('playable'); a.onerror = () => r('error'); a.src = src; document.body.appendChild(a); });
(async () => {
  await say('image', await image('vtr-file://%(image)s'));
  await say('fileImage', await image('file://%(image)s'));
  await say('media', await media('vtr-file://%(media)s'));
  await say('script', await script('vtr-file://%(script)s'));
  const frame = document.createElement('iframe');
  frame.src = 'vtr-file://%(planted)s';
  document.body.appendChild(frame);
  await new Promise((r) => setTimeout(r, 1500));
  await say('done', 1);
})();
</script></body></html>"""

# What another user leaves in a shared folder: if it ever runs with the application's rights,
# it writes the marker and tells the test server.
PLANTED = """<!doctype html><html><body><script>
try { top.vtr.shell.command({ command: 'touch %(marker)s' }); } catch (e) {}
try { top.chrome.webview.postMessage({ id: 70003, uuid: 'planted', data: { command: 'touch %(marker)s' } }); } catch (e) {}
fetch('%(server)s/report?tag=planted&k=ran&v=1');
</script></body></html>"""


class LoopbackServer:
    """The web: pages served on 127.0.0.1 at a free port, with what they report."""

    def __init__(self, pages):
        self.pages = pages
        self.reports = {}
        owner = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                url = urllib.parse.urlparse(self.path)
                query = dict(urllib.parse.parse_qsl(url.query))
                if url.path == "/report":
                    owner.reports.setdefault(query.get("tag"), {})[query.get("k")] = query.get("v")
                    body, kind = b"ok", "text/plain"
                elif url.path in owner.pages:
                    body, kind = owner.pages[url.path](query).encode(), "text/html; charset=utf-8"
                else:
                    self.send_error(404)
                    return
                self.send_response(200)
                self.send_header("Content-Type", kind)
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Access-Control-Allow-Origin", "*")
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.origin = "http://127.0.0.1:%d" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        # However the test ends, the server does not outlive it for long.
        self.timer = threading.Timer(600, self.stop)
        self.timer.daemon = True
        self.timer.start()

    def stop(self):
        self.timer.cancel()
        self.httpd.shutdown()
        self.httpd.server_close()

    def wait(self, tag, key="done", timeout=30):
        return wait_until(lambda: self.reports.get(tag, {}).get(key) is not None and self.reports[tag], timeout)


class IsolationTestCase(E2ETestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="vtr-iso-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.server = LoopbackServer({})
        self.addCleanup(self.server.stop)

    def marker(self, name):
        return os.path.join(self.tmp, name)

    def start(self, **hash_params):
        app = self.pack({"IndexHtml": "isolation.html#" + urllib.parse.urlencode(
            dict(hash_params, server=self.server.origin))})
        proc = app.start()
        return app, proc


class NewWindowsTest(IsolationTestCase):
    def test_web_pages_in_new_windows_never_reach_the_bridge(self):
        self.server.pages["/popup.html"] = lambda q: POPUP % {
            "tag": q["tag"], "marker": self.marker("popup-" + q["tag"])}
        # The message every popup tries is one the bridge runs when the application posts it.
        app, proc = self.start(mode="control", marker=self.marker("control"))
        app.wait_file("report.json")
        self.assertTrue(wait_until(lambda: os.path.exists(self.marker("control")), 20))
        proc.kill()
        for mode in ("open", "noopener", "link"):
            with self.subTest(mode=mode):
                app, proc = self.start(mode=mode)
                self.assertTrue(app.wait_file("report.json")["ready"])
                if mode == "link":
                    run("xdotool", "mousemove", "--window", window_of(proc.pid), "200", "200", "click", "1")
                report = self.server.wait(mode)
                self.assertTrue(report, "the popup of %s never loaded" % mode)
                self.assertEqual(report["vtr"], "undefined")
                self.assertEqual(report["webview"], "undefined")
                self.assertEqual(report["handlers"], "undefined")
                time.sleep(1)
                self.assertFalse(os.path.exists(self.marker("popup-" + mode)))
                self.assertIsNone(proc.poll())
                proc.kill()


class WebFramesTest(IsolationTestCase):
    def test_other_origins_cannot_load_the_applications_files(self):
        image = os.path.join(self.tmp, "local.png")
        shutil.copy(os.path.join(PROBE, "icons", "red.png"), image)
        script = os.path.join(self.tmp, "secret.js")
        with open(script, "w") as f:
            f.write("var vtrLeak = 'secret';\n")
        # Planted by another user in a folder everybody may write to.
        shared = os.path.join(self.tmp, "shared")
        os.mkdir(shared)
        os.chmod(shared, 0o1777)
        planted = os.path.join(shared, "planted.html")
        with open(planted, "w") as f:
            f.write(PLANTED % {"marker": self.marker("planted"), "server": self.server.origin})
        if os.geteuid() == 0:
            os.chown(planted, 65534, 65534)
        sound = os.path.join(self.tmp, "sound.wav")
        with wave.open(sound, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(8000)
            w.writeframes(b"\0\0" * 8000)
        self.server.pages["/frame.html"] = lambda q: FRAME % {
            "image": image, "script": script, "planted": planted, "media": sound}
        app, proc = self.start(mode="frame", planted=planted)
        report = app.wait_file("report.json")
        self.assertEqual(report["ownImage"], "loaded")
        frame = self.server.wait("frame")
        self.assertTrue(frame, "the web frame never loaded")
        self.assertEqual(frame["image"], "error")
        self.assertEqual(frame["fileImage"], "error")
        self.assertEqual(frame["media"], "error")
        self.assertEqual(frame["script"], "error")
        time.sleep(1)
        self.assertNotIn("planted", self.server.reports)
        self.assertFalse(os.path.exists(self.marker("planted")))
        self.assertIsNone(proc.poll())


class SpecialFilesTest(IsolationTestCase):
    def test_fifos_and_devices_are_not_served_and_do_not_hold_the_window(self):
        fifo = os.path.join(self.tmp, "pipe.txt")
        os.mkfifo(fifo)
        app, proc = self.start(mode="special", fifo=fifo)
        report = app.wait_file("report.json", timeout=90)
        self.assertEqual(report["answeredMeanwhile"], 20)
        self.assertEqual(report["fifo"], "failed")
        self.assertEqual(report["zero"], "failed")
        self.assertEqual(report["helloAfter"], "2022.4")
        self.assertIsNone(proc.poll())


class PrivateFilesTest(E2ETestCase):
    def test_the_browser_profile_is_private_and_nothing_is_left_in_shared_folders(self):
        app = self.pack({"IndexHtml": "ready.html"})
        home = os.path.join(app.dir, "home")
        runtime = os.path.join(app.dir, "run")
        os.makedirs(home)
        os.mkdir(runtime, 0o700)
        for env in ({"XDG_RUNTIME_DIR": runtime}, {"XDG_RUNTIME_DIR": None}):
            with self.subTest(env=env):
                proc = app.start(env=dict(env, HOME=home, XDG_CACHE_HOME=None))
                app.wait_file("report.json")
                os.remove(app.path("report.json"))
                profile = os.path.join(app.data_home, app.id, "Win64")
                self.assertTrue(wait_until(lambda: os.path.isdir(os.path.join(profile, "WebExtensions"))))
                for folder in (profile, os.path.join(profile, "WebExtensions")):
                    self.assertEqual(stat.S_IMODE(os.stat(folder).st_mode) & 0o077, 0, folder)
                # No folder per application or per run in the user's shared runtime and cache folders
                # (the one folder of the single-instance locks is shared by every application).
                for shared in (runtime, os.path.join(home, ".cache")):
                    litter = [n for n in os.listdir(shared) if n.startswith("vtr-")] if os.path.isdir(shared) else []
                    self.assertEqual(litter, [], shared)
                proc.kill()
                proc.wait()


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
