#!/usr/bin/python3
"""What the desktop sees of a packed application's windows: the class made from its ID and its
icon (the application's own at the sizes its file offers, else the vtr icon), read from the X
properties a dock or task bar reads."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase, expected_window_class, window_class, window_icons, window_of  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "fixtures")
VTR_ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]
SVG = (b'<?xml version="1.0"?>\n<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">'
       b'<rect width="100" height="100" fill="#0000ff"/></svg>\n')


class WindowIdentityTest(E2ETestCase):
    def start_probe(self, *pack_args):
        app = self.pack({"IndexHtml": "ready.html"}, pack_args=pack_args)
        proc = app.start()
        app.wait_file("report.json")
        return app, window_of(proc.pid)

    def test_without_an_icon_every_window_carries_the_vtr_icon_and_the_ids_class(self):
        app, wid = self.start_probe()
        self.assertEqual(window_class(wid), (expected_window_class(app.id),) * 2)
        icons = window_icons(wid)
        self.assertEqual(sorted(w for w, h in icons), VTR_ICON_SIZES)
        self.assertTrue(all(w == h for w, h in icons))
        # The vtr icon: a rounded square, so its corner is transparent and its middle opaque.
        picture = icons[(32, 32)]
        self.assertEqual(picture[0] >> 24, 0)
        self.assertEqual(picture[16 * 32 + 16] >> 24, 0xFF)

    def test_the_applications_icon_at_the_sizes_its_file_offers(self):
        work = tempfile.mkdtemp(prefix="vtr-icon-")
        ico = os.path.join(work, "app.ico")
        subprocess.run(["/usr/bin/python3", os.path.join(FIXTURES, "pe", "make_icon.py"), ico, "5", "16", "48"],
                       check=True)
        svg = os.path.join(work, "app.svg")
        with open(svg, "wb") as f:
            f.write(SVG)
        cases = [
            ("PNG", os.path.join(FIXTURES, "icons", "red.png"), [32], 0xFFE01010),
            ("ICO", ico, [16, 48], None),
            ("SVG", svg, VTR_ICON_SIZES, 0xFF0000FF),
        ]
        for what, path, sizes, colour in cases:
            with self.subTest(what):
                app, wid = self.start_probe("--icon", path)
                icons = window_icons(wid)
                self.assertEqual(sorted(w for w, h in icons), sizes)
                side = sizes[0]
                if colour is not None:
                    self.assertEqual(icons[(side, side)][(side // 2) * side + side // 2], colour)
                self.assertEqual(window_class(wid), (expected_window_class(app.id),) * 2)


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
