#!/usr/bin/python3
"""Media play and seek, from the archive and from disk, through the media route; file:/// addresses
of images, fetch and XMLHttpRequest are served under the usual rules; the media route answers
nobody who lacks the run's token."""
import http.client
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import urllib.parse
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import PROBE, E2ETestCase, run  # noqa: E402


def make_wav(seconds=10, rate=8000):
    """A sine tone as 16-bit mono WAV bytes."""
    path = tempfile.mktemp(suffix=".wav")
    try:
        with wave.open(path, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(rate)
            w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 440 * i / rate)))
                                   for i in range(seconds * rate)))
        with open(path, "rb") as f:
            return f.read()
    finally:
        if os.path.exists(path):
            os.unlink(path)


def make_webm(seconds=6):
    """VP8 video with a Vorbis tone, made by GStreamer (installed by scripts/setup.sh)."""
    gst = shutil.which("gst-launch-1.0")
    if gst is None:
        raise AssertionError("gst-launch-1.0 is missing: run scripts/setup.sh")
    out = tempfile.mktemp(suffix=".webm")
    try:
        result = run(gst, "-q", "videotestsrc", "num-buffers=%d" % (seconds * 25), "!",
                     "video/x-raw,width=160,height=120,framerate=25/1", "!", "vp8enc", "deadline=1",
                     "keyframe-max-dist=25", "!", "queue", "!", "webmmux", "name=mux", "!", "filesink",
                     "location=" + out, "audiotestsrc", "num-buffers=%d" % (seconds * 10), "samplesperbuffer=4410",
                     "!", "audio/x-raw,rate=44100", "!", "audioconvert", "!", "vorbisenc", "!", "queue", "!", "mux.")
        if result.returncode != 0:
            raise AssertionError("gst-launch-1.0 failed: " + result.stderr)
        with open(out, "rb") as f:
            return f.read()
    finally:
        if os.path.exists(out):
            os.unlink(out)


def get(port, path, host=None, method="GET", headers=None):
    """(status, headers, body) of one request to the media route."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    try:
        connection.putrequest(method, path, skip_host=True)
        connection.putheader("Host", host or "127.0.0.1:%d" % port)
        for name, value in (headers or {}).items():
            connection.putheader(name, value)
        connection.endheaders()
        response = connection.getresponse()
        return response.status, dict(response.getheaders()), response.read()
    finally:
        connection.close()


# Run as another local user: what it gets from the media route without the token.
OTHER_USER = r"""
import http.client, sys
port, path = int(sys.argv[1]), sys.argv[2]
c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
c.request("GET", path)
r = c.getresponse()
print(r.status, len(r.read()))
"""


class MediaTest(E2ETestCase):
    @classmethod
    def setUpClass(cls):
        cls.wav = make_wav()
        cls.webm = make_webm()

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="vtr-media-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        os.chmod(self.tmp, 0o755)

    def disk(self, name, data=None):
        path = os.path.join(self.tmp, name)
        if data is not None:
            with open(path, "wb") as f:
                f.write(data)
        return path

    def start(self):
        shutil.copy(os.path.join(PROBE, "icons", "red.png"), self.disk("red.png"))
        self.disk("hello.txt", b"hello from disk")
        os.mkfifo(self.disk("pipe.txt"))
        os.mkdir(self.disk("folder"))
        self.disk("disk tone.wav", self.wav)
        url = lambda name: "file://" + urllib.parse.quote(self.disk(name))
        fragment = urllib.parse.urlencode({
            "diskWav": url("disk tone.wav"), "image": url("red.png"), "text": url("hello.txt"),
            "fifo": url("pipe.txt"), "folder": url("folder") + "/"})
        app = self.pack({"IndexHtml": "media.html#" + fragment},
                        extra={"media/tone.wav": self.wav, "media/clip.webm": self.webm})
        proc = app.start()
        return app, proc, app.wait_file("report.json", timeout=120)

    def test_media_play_and_seek_and_file_addresses_are_served(self):
        app, proc, report = self.start()
        for name, duration in (("archivedWav", 10), ("archivedWebm", 6), ("diskWav", 10)):
            with self.subTest(media=name):
                self.assertTrue(report[name]["ok"], report[name])
                value = report[name]["value"]
                self.assertTrue(value["canplay"])
                self.assertEqual(value["duration"], duration)
                self.assertGreaterEqual(value["time"], 3)
        self.assertEqual(report["detachedAudio"], {"ok": True, "value": 10})
        for name, value in (("image", 32), ("markupImage", 32), ("fetch", "hello from disk"),
                            ("fetchRequest", "hello from disk"), ("xhr", "hello from disk")):
            with self.subTest(row=name):
                self.assertEqual(report[name], {"ok": True, "value": value})
        # Only regular files are served: a FIFO or a folder is not found, and holds nothing up.
        self.assertFalse(report["fifo"]["ok"], report["fifo"])
        self.assertFalse(report["folder"]["ok"], report["folder"])
        self.assertIsNone(proc.poll())

        # The media route, as the page's player saw it.
        src = report["archivedWav"]["value"]["src"]
        match = re.match(r"http://127\.0\.0\.1:(\d+)/([0-9a-f]{32})/(\d+)/media/tone\.wav$", src)
        self.assertTrue(match, src)
        port, token, page = int(match.group(1)), match.group(2), match.group(3)
        path = "/%s/%s/media/tone.wav" % (token, page)

        # With the token: byte ranges, and nothing that would let another origin read it.
        status, headers, body = get(port, path, headers={"Range": "bytes=0-9"})
        self.assertEqual((status, body), (206, self.wav[:10]))
        self.assertEqual(headers.get("Content-Range"), "bytes 0-9/%d" % len(self.wav))
        self.assertNotIn("Access-Control-Allow-Origin", headers)
        self.assertEqual(get(port, path, method="HEAD")[0], 200)

        # Without it, nothing.
        wrong = ("0" if token[0] != "0" else "1") + token[1:]
        for name, args in (("root", ("/",)), ("no token", ("/%s/media/tone.wav" % page,)),
                           ("wrong token", ("/%s/%s/media/tone.wav" % (wrong, page),)),
                           ("token alone", ("/%s/" % token,)), ("unknown page", ("/%s/999999/media/tone.wav" % token,)),
                           ("another name for the host", (path, "localhost:%d" % port)),
                           ("post", (path, None, "POST"))):
            with self.subTest(request=name):
                status, _, body = get(port, *args)
                self.assertIn(status, (404, 405))
                self.assertNotIn(self.wav[:64], body)

        # Another local user can reach the port but never learns the token: no process shows it.
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    self.assertNotIn(token.encode(), f.read(), "the token is on process %s's command line" % pid)
            except OSError:
                pass
        if os.geteuid() == 0 and shutil.which("setpriv"):
            other = subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                    "/usr/bin/python3", "-c", OTHER_USER, str(port), "/%s/media/tone.wav" % page],
                                   capture_output=True, text=True, timeout=30)
            self.assertEqual(other.stdout.split(), ["404", "0"], other.stderr)
        self.assertIsNone(proc.poll())


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
