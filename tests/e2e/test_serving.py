#!/usr/bin/python3
"""What a page can rely on when its files come from the archive: names as browsers encode them,
types, lengths, ranges, WebAssembly and module scripts, also on a machine without
/etc/mime.types."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase  # noqa: E402

BLOB = bytes(range(256)) * 64

EXPECTED = {
    "umlautAndBlank": "umlaut",
    "japanese": "nihongo",
    "escapedHash": "hash",
    "accentedImage": "loaded",
    "queryFetch": 1,
    "queryScript": 1,
    "fragmentFetch": '{"v":1}',
    "pageType": "text/html; charset=utf-8",
    "jsonType": "application/json; charset=utf-8",
    "binary": ["application/octet-stream", str(len(BLOB)), "bytes"],
    "wasmType": "application/wasm",
    "wasmStreaming": 5,
    "range": [206, "bytes 10-19/%d" % len(BLOB), "10", list(range(10, 20))],
    "rangeTail": [206, [253, 254, 255]],
    "rangeOutside": 416,
    "moduleImport": 42,
}


class ServingTest(E2ETestCase):
    def check(self, report):
        for name, value in EXPECTED.items():
            with self.subTest(row=name):
                self.assertEqual(report[name], {"ok": True, "value": value})
        # A file that is nowhere is not served: the request fails.
        self.assertFalse(report["missing"]["ok"], report["missing"])

    def test_every_row_is_served_as_a_browser_would(self):
        app = self.pack({"IndexHtml": "serving.html"})
        app.start()
        self.check(app.wait_file("report.json"))

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("unshare"), "hiding /etc/mime.types needs root")
    def test_the_same_without_the_systems_mime_types(self):
        # Minimal installs have no /etc/mime.types: the runtime's own table must do.
        app = self.pack({"IndexHtml": "serving.html"})
        empty = tempfile.NamedTemporaryFile(delete=False)
        empty.close()
        self.addCleanup(os.unlink, empty.name)
        env = dict(os.environ, XDG_DATA_HOME=app.data_home)
        proc = subprocess.Popen(["unshare", "-m", "sh", "-c",
                                 'mount --bind "$1" /etc/mime.types && exec "$2"', "sh", empty.name, app.exe],
                                env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        app.procs.append(proc)
        self.check(app.wait_file("report.json"))


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
