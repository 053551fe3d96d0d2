#!/usr/bin/python3
"""vtr-pack from the outside: packs test applications with a stand-in runtime that lists its
own archive, and checks the listing, reproducibility, what 7-Zip and Python's zipfile read,
and that bad input is refused with a clear message and leaves no file behind."""

import argparse
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import zipfile
import zlib

PASSWORD = b"mz7tqa1wlc5xpyhv8gfb2ruke6nsj0dqw4ly"
# The stand-in runtime is built for this machine, and so is the package made from it.
ARCH = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()
ARGS = None


def crc(data):
    return "%08x" % (zlib.crc32(data) & 0xFFFFFFFF)


class PackTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="vtr-pack-test-")
        self.app = os.path.join(self.dir, "site")
        self.files = {
            "index.html": b"<!doctype html><h1>Hello</h1>",
            "css/Site.CSS": b"body { color: red }\n",
            "img/logo.bin": bytes(range(256)) * 300,
            "with space.txt": b"blank in the name",
            "caf\u00e9/\u4e2d\u6587.txt": "non-ASCII names".encode(),
            "deep/a/b/c/empty.txt": b"",
        }
        for name, data in self.files.items():
            self.write(os.path.join(self.app, name), data)
        os.makedirs(os.path.join(self.app, "empty-folder"))
        self.engine = self.write(os.path.join(self.dir, "libengine.so"), b"\x7fELF engine stand-in" * 100)
        self.js = self.write(os.path.join(self.dir, "extra.js"), b"console.log('extra');\n")
        self.installer = self.write(os.path.join(self.dir, "setup.exe"), b"MZ installer stand-in")
        self.out = os.path.join(self.dir, "out")
        os.makedirs(self.out)

    def tearDown(self):
        for root, dirs, _ in os.walk(self.dir):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(self.dir, ignore_errors=True)

    @staticmethod
    def write(path, data):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def pack(self, *extra, output="app", app=None, runtime=None, engine=None, keys=True, prefix=()):
        args = [*prefix, ARGS.vtr_pack, app or self.app, "-o", os.path.join(self.out, output),
                "--runtime", runtime or ARGS.lister, "--engine", engine or self.engine]
        if keys:
            args += ["--id", "com.example.test", "--name", "Test App", "--dir-name", "app"]
        return subprocess.run(args + list(extra), capture_output=True, text=True, timeout=120)

    def pack_ok(self, *extra, **kw):
        r = self.pack(*extra, **kw)
        self.assertEqual(r.returncode, 0, r.stderr)
        return os.path.join(self.out, kw.get("output", "app"))

    def expected_entries(self, extra_root=()):
        names = ["vtr.ini", "WebView2LoaderWin64.dll", *extra_root, "app/"]
        tree = set()
        for name in self.files:
            parts = name.split("/")
            for i in range(1, len(parts)):
                tree.add("app/" + "/".join(parts[:i]) + "/")
            tree.add("app/" + name)
        tree.add("app/empty-folder/")
        # Sorted byte-wise, as vtr-pack stores them.
        return names + sorted(tree, key=lambda s: s.encode())

    def test_packed_runtime_reads_its_own_archive(self):
        exe = self.pack_ok("--webviewjs", self.js, "--installer", self.installer, "--width", "1024")
        self.assertTrue(os.access(exe, os.X_OK))
        r = subprocess.run([exe], capture_output=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        rows = [line.split(b"\t") for line in r.stdout.splitlines()]
        names = [row[0].decode() for row in rows]
        self.assertEqual(names, self.expected_entries(["WebView2Installer.exe", "vtr-webviewjs"]))
        self.assertTrue(all(row[3] == b"ok" for row in rows), rows)
        got = {row[0].decode(): (int(row[1]), row[2].decode()) for row in rows}
        for name, data in self.files.items():
            self.assertEqual(got["app/" + name], (len(data), crc(data)), name)
        with open(self.engine, "rb") as f:
            self.assertEqual(got["WebView2LoaderWin64.dll"][1], crc(f.read()))
        ini = "\ufeff[App]\r\nID=com.example.test\r\nName=Test App\r\nDirName=app\r\nWidth=1024\r\n".encode()
        self.assertEqual(got["vtr.ini"], (len(ini), crc(ini)))

        # The plain runtime carries nothing and says so.
        r = subprocess.run([ARGS.lister], capture_output=True, timeout=60)
        self.assertEqual((r.returncode, r.stdout.strip()), (3, b"no archive"))

    def test_same_inputs_give_the_same_bytes(self):
        first = self.pack_ok(output="first")
        # Newer time stamps and another output name change nothing.
        for name in self.files:
            os.utime(os.path.join(self.app, name), (1, 1))
        second = self.pack_ok(output="second")
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_zipfile_reads_the_agreed_layout(self):
        exe = self.pack_ok()
        with zipfile.ZipFile(exe) as z:
            z.setpassword(PASSWORD)
            self.assertEqual(z.comment, b"")
            infos = z.infolist()
            self.assertEqual([i.filename.encode("cp437").decode("utf-8") for i in infos], self.expected_entries())
            for i in infos:
                self.assertEqual((i.flag_bits, i.compress_type, i.create_version, i.extract_version),
                                 (0x0009, zipfile.ZIP_STORED, 20, 20), i.filename)
                self.assertEqual(i.date_time, (2022, 1, 1, 12, 0, 0))
                self.assertEqual(i.compress_size, i.file_size + 12)
                self.assertEqual(i.external_attr, 0x10 if i.filename.endswith("/") else 0)
                data = z.read(i)  # checks the CRC
                name = i.filename.encode("cp437").decode("utf-8")
                if name.startswith("app/") and not name.endswith("/"):
                    self.assertEqual(data, self.files[name[4:]])
            with self.assertRaises(RuntimeError):
                z.setpassword(b"wrong")
                z.read("app/index.html")

    @unittest.skipUnless(shutil.which("7z"), "7z (p7zip-full) is not installed")
    def test_7zip_tests_and_extracts_with_the_password(self):
        exe = self.pack_ok()
        pw = "-p" + PASSWORD.decode()
        r = subprocess.run(["7z", "t", pw, exe], capture_output=True, text=True, timeout=120)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertIn("Everything is Ok", r.stdout)
        target = os.path.join(self.dir, "x")
        r = subprocess.run(["7z", "x", pw, "-o" + target, exe], capture_output=True, text=True, timeout=120)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        for name, data in self.files.items():
            with open(os.path.join(target, "app", name), "rb") as f:
                self.assertEqual(f.read(), data, name)
        self.assertTrue(os.path.isdir(os.path.join(target, "app", "empty-folder")))
        r = subprocess.run(["7z", "t", "-pwrong", exe], capture_output=True, text=True, timeout=120)
        self.assertNotEqual(r.returncode, 0)

    def test_windows_runtime_gets_the_archive_behind_its_sections(self):
        if not ARGS.pe_fixture:
            self.skipTest("x86_64-w64-mingw32-gcc is not installed: no PE runtime to pack")
        exe = self.pack_ok(runtime=ARGS.pe_fixture, output="app.exe")
        size = os.path.getsize(ARGS.pe_fixture)
        with open(exe, "rb") as f, open(ARGS.pe_fixture, "rb") as pe:
            data = f.read()
            self.assertEqual(data[:size], pe.read())
        self.assertEqual(data[size:size + 4], b"PK\x03\x04")
        with zipfile.ZipFile(exe) as z:
            z.setpassword(PASSWORD)
            self.assertEqual(z.read("app/index.html"), self.files["index.html"])

    def test_windows_runtime_is_branded_before_the_archive(self):
        if not ARGS.pe_resources:
            self.skipTest("the MinGW-w64 cross tools are not installed: no PE runtime with resources")
        branded = os.path.join(ARGS.pe_resources, "branded.exe")
        ico = os.path.join(ARGS.pe_resources, "three.ico")
        args = ("--icon", ico, "--product-name", "Packed \u00c9dition", "--legal-trademarks", "TM")
        r = self.pack(*args, runtime=branded, output="brand.exe")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("has no LegalTrademarks; it is not added", r.stderr)
        exe = os.path.join(self.out, "brand.exe")
        with open(exe, "rb") as f:
            data = f.read()
        with open(branded, "rb") as f:
            original = f.read()
        self.assertIn("Packed \u00c9dition".encode("utf-16-le"), data)
        with open(ico, "rb") as f:
            icon = f.read()
        self.assertIn(icon[-2000:], data)  # the last image's bytes are in the copy
        self.assertNotEqual(data[:len(original)], original)
        with zipfile.ZipFile(exe) as z:
            z.setpassword(PASSWORD)
            self.assertEqual(z.read("app/index.html"), self.files["index.html"])
        # Reproducible with branding too.
        again = self.pack_ok(*args, runtime=branded, output="brand2.exe")
        with open(again, "rb") as f:
            self.assertEqual(f.read(), data)

    def test_branding_what_cannot_carry_it_is_refused(self):
        cases = [
            ("version strings for an ELF runtime", ARGS.lister, ("--product-name", "X"), "add --deb DIR"),
            ("an ELF runtime's icon that is no image", ARGS.lister, ("--icon", self.installer),
             "is not a PNG, SVG or ICO image"),
        ]
        if ARGS.pe_resources:
            plain = os.path.join(ARGS.pe_resources, "plain.exe")
            branded = os.path.join(ARGS.pe_resources, "branded.exe")
            cases += [
                ("no version information", plain, ("--company-name", "X"), "no readable version information"),
                ("an executable as the icon", branded, ("--icon", branded), "Icon file is invalid"),
                ("a missing icon", branded, ("--icon", os.path.join(self.dir, "none.ico")), "does not exist"),
            ]
        for what, runtime, extra, message in cases:
            with self.subTest(what):
                r = self.pack(*extra, runtime=runtime, output="refused.exe")
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(message, r.stderr)
                self.assertEqual(os.listdir(self.out), [])

    def test_help_documents_every_option_and_the_cipher(self):
        r = subprocess.run([ARGS.vtr_pack, "--help"], capture_output=True, text=True, timeout=60)
        self.assertEqual(r.returncode, 0)
        options = ["--output", "--runtime", "--engine", "--webviewjs", "--installer", "--ini", "--id", "--name",
                   "--dir-name", "--index-html", "--theme", "--allow-instances", "--edge-installer",
                   "--install-form-color", "--install-indicator-color", "--install-indicator-type", "--password",
                   "--allow-debug", "--allow-zoom", "--allow-context-menu", "--top", "--left", "--width",
                   "--height", "--max-width", "--max-height", "--min-width", "--min-height", "--window-position",
                   "--window-style", "--window-border", "--window-state", "--window-order", "--dynamic-app-title",
                   "--quiet", "--help", "--version", "--icon", "--company-name", "--file-description",
                   "--file-version", "--internal-name", "--legal-copyright", "--legal-trademarks",
                   "--original-file-name", "--program-id", "--product-name", "--product-version", "--comments",
                   "--deb", "--maintainer"]
        for option in options:
            self.assertIn(option + " ", r.stdout)
        self.assertIn("ZipCrypto", r.stdout)
        self.assertIn("NOT protection", r.stdout)

    def test_ini_file_is_stored_byte_for_byte(self):
        ini = b"; packed as is\n[App]\nID=com.example.ini\nName=From File\nDirName=web/app\nIndexHtml=css/site.css#top\n"
        path = self.write(os.path.join(self.dir, "vtr.ini"), ini)
        exe = self.pack_ok("--ini", path, keys=False)
        with zipfile.ZipFile(exe) as z:
            z.setpassword(PASSWORD)
            self.assertEqual(z.read("vtr.ini"), ini)
            self.assertEqual(z.namelist()[2:5], ["web/", "web/app/", "web/app/caf\u00e9/".encode().decode("cp437")])

    def test_ini_file_values_the_runtime_would_not_read_are_warned_about(self):
        ini = (b"[App]\r\nID=com.example.ini\r\nName=From File\r\nDirName=app\r\nAllowZoom=true\r\n"
               b"Width=1024px\r\nWindowBorder=7\r\nHeight=700\r\n")
        path = self.write(os.path.join(self.dir, "vtr.ini"), ini)
        r = self.pack("--ini", path, keys=False)
        self.assertEqual(r.returncode, 0, r.stderr)
        warnings = [line for line in r.stderr.splitlines() if line.startswith("vtr-pack: warning: vtr.ini: ")]
        self.assertEqual(len(warnings), 3, r.stderr)
        for text, warning in zip(("AllowZoom=true", "Width=1024px", "WindowBorder=7"), warnings):
            self.assertIn(text, warning)
        with zipfile.ZipFile(os.path.join(self.out, "app")) as z:
            z.setpassword(PASSWORD)
            self.assertEqual(z.read("vtr.ini"), ini)

    DEB = ("--product-version", "1.2.3", "--maintainer", "Jane Doe <jane@example.org>")

    def test_deb_package_holds_the_application_and_is_reproducible(self):
        debs = os.path.join(self.dir, "debs")
        os.makedirs(debs)
        svg = self.write(os.path.join(self.dir, "icon.svg"),
                         b'<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 8 8"><rect width="8" height="8"/></svg>')
        r = self.pack("--deb", debs, "--icon", svg, "--file-description", "A test application",
                      "--comments", "Tests the package.", "--product-name", "Not used", *self.DEB)
        self.assertEqual(r.returncode, 0, r.stderr)
        deb = os.path.join(debs, "com.example.test_1.2.3_%s.deb" % ARCH)
        self.assertIn("wrote " + deb, r.stdout)
        self.assertIn("--product-name sets a Windows executable's version information", r.stderr)
        self.assertEqual(os.listdir(debs), [os.path.basename(deb)])

        field = lambda name: subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True,
                                            check=True).stdout.strip()
        self.assertEqual(field("Package"), "com.example.test")
        self.assertEqual(field("Version"), "1.2.3")
        self.assertEqual(field("Architecture"), ARCH)
        self.assertEqual(field("Maintainer"), "Jane Doe <jane@example.org>")
        self.assertEqual(field("Description"), "A test application\n Tests the package.")
        for dependency in ("libgtk-3-0", "libwebkit2gtk-4.1-0", "librsvg2-common"):
            self.assertIn(dependency, field("Depends"))
        # No maintainer scripts: installing adds the package's files and nothing else.
        info = subprocess.run(["dpkg-deb", "-I", deb], capture_output=True, text=True, check=True).stdout
        self.assertNotRegex(info, r"\b(pre|post)(inst|rm)\b")

        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout
        entries = {line.split()[5]: line for line in listing.splitlines()}
        self.assertTrue(entries["./opt/com.example.test/app"].startswith("-rwxr-xr-x root/root"))
        self.assertIn("./usr/bin/app -> /opt/com.example.test/app", listing)
        for path in ("./usr/share/applications/com.example.test.desktop",
                     "./usr/share/icons/hicolor/scalable/apps/com.example.test.svg",
                     "./usr/share/doc/com.example.test/copyright", "./usr/share/doc/com.example.test/changelog.gz",
                     "./usr/share/man/man1/app.1.gz"):
            self.assertTrue(entries[path].startswith("-rw-r--r-- root/root"), path)

        tree = os.path.join(self.dir, "tree")
        subprocess.run(["dpkg-deb", "-x", deb, tree], check=True)
        with open(os.path.join(tree, "opt/com.example.test/app"), "rb") as f, \
                open(os.path.join(self.out, "app"), "rb") as g:
            self.assertEqual(f.read(), g.read())
        with open(os.path.join(tree, "usr/share/applications/com.example.test.desktop")) as f:
            desktop = f.read()
        for line in ("Name=Test App", "Exec=/usr/bin/app", "Icon=com.example.test",
                     "StartupWMClass=com.example.test"):
            self.assertIn(line + "\n", desktop)
        with open(os.path.join(tree, "usr/share/icons/hicolor/scalable/apps/com.example.test.svg"), "rb") as f, \
                open(svg, "rb") as g:
            self.assertEqual(f.read(), g.read())

        # The same inputs give the same package.
        again = os.path.join(self.dir, "again")
        os.makedirs(again)
        r = self.pack("--deb", again, "--icon", svg, "--file-description", "A test application",
                      "--comments", "Tests the package.", "--product-name", "Not used", *self.DEB)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(deb, "rb") as f, open(os.path.join(again, os.path.basename(deb)), "rb") as g:
            self.assertEqual(f.read(), g.read())

    def test_deb_package_carries_the_vtr_icon_without_one_of_its_own(self):
        debs = os.path.join(self.dir, "debs")
        os.makedirs(debs)
        self.pack_ok("--deb", debs, *self.DEB)
        deb = os.path.join(debs, "com.example.test_1.2.3_%s.deb" % ARCH)
        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout
        sizes = sorted(int(m) for m in re.findall(r"hicolor/(\d+)x\1/apps/com\.example\.test\.png", listing))
        self.assertEqual(sizes, [16, 24, 32, 48, 64, 128, 256])
        depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], capture_output=True, text=True, check=True)
        self.assertNotIn("librsvg2-common", depends.stdout)

    def test_deb_refusals_leave_no_file(self):
        debs = os.path.join(self.dir, "debs")
        os.makedirs(debs)
        cases = [
            ("no version", ("--maintainer", "A <a@b.org>"), "--deb needs the application's version"),
            ("no maintainer", ("--product-version", "1.0"), "--deb needs the package's maintainer"),
            ("a bad maintainer", ("--product-version", "1.0", "--maintainer", "root@localhost"),
             "Name <address@example.org>"),
            ("a name no command can have", ("--product-version", "1.0", "--maintainer", "A <a@b.org>"),
             "does not suit a package"),
        ]
        for what, extra, message in cases:
            with self.subTest(what):
                output = "my app" if what.startswith("a name") else "app"
                r = self.pack("--deb", debs, *extra, output=output)
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(message, r.stderr)
                self.assertEqual(os.listdir(self.out), [])
                self.assertEqual(os.listdir(debs), [])

    def test_bad_input_is_refused_and_leaves_no_file(self):
        text_file = self.write(os.path.join(self.dir, "notes.txt"), b"just text")
        good = self.pack_ok(output="packed")
        ini_no_dir = self.write(os.path.join(self.dir, "nodir.ini"), b"[App]\nID=x\nName=y\n")
        ini_id = lambda name, value: self.write(os.path.join(self.dir, name),
                                                b"[App]\nID=" + value + b"\nName=y\nDirName=app\n")
        # An ID names the data folder that a failed runtime install removes: one plain name only.
        id_keys = lambda value: ("--id", value, "--name", "n", "--dir-name", "app")
        cases = [
            ("missing folder", dict(app=os.path.join(self.dir, "nope")), (), "does not exist"),
            ("no ID", dict(keys=False), ("--name", "N", "--dir-name", "app"), "--id is required"),
            ("empty Name", dict(keys=False), ("--id", "i", "--name", "", "--dir-name", "app"), "--name is required"),
            ("missing start page", {}, ("--index-html", "start.html"), 'start page "start.html" is not in'),
            ("empty start page", {}, ("--index-html", ""), "IndexHtml is empty"),
            ("ini without DirName", dict(keys=False), ("--ini", ini_no_dir), "gives no DirName"),
            ("ini and options", {}, ("--ini", ini_no_dir), "--ini cannot be combined"),
            ("DirName with a slash at the end", dict(keys=False), ("--id", "i", "--name", "n", "--dir-name", "app/"),
             "must be a folder name"),
            ("ID .", dict(keys=False), id_keys("."), '--id: the ID "." names no folder of its own'),
            ("ID ..", dict(keys=False), id_keys(".."), '--id: the ID ".." names no folder of its own'),
            ("ID ../..", dict(keys=False), id_keys("../.."), 'the ID "../.." holds a "/"'),
            ("ID with a slash", dict(keys=False), id_keys("com/example"), 'the ID "com/example" holds a "/"'),
            ("ID with a backslash", dict(keys=False), id_keys("com\\example"), 'the ID "com\\example" holds'),
            ("ID with a control character", dict(keys=False), id_keys("a\x01b"),
             'the ID "a\\x01b" holds a NUL or another control character'),
            ("ini with ID ..", dict(keys=False), ("--ini", ini_id("dotdot.ini", b"..")), 'dotdot.ini": the ID ".."'),
            ("ini with ID ../..", dict(keys=False), ("--ini", ini_id("up.ini", b"../..")), 'the ID "../.." holds'),
            ("ini with a NUL in the ID", dict(keys=False), ("--ini", ini_id("nul.ini", b"a\0b")),
             'the ID "a\\x00b" holds a NUL'),
            ("not a number", {}, ("--width", "wide"), '--width: "wide" is not a whole number'),
            ("out of range", {}, ("--window-border", "9"), "outside 0..5"),
            ("not yes or no", {}, ("--allow-zoom", "maybe"), "not a yes/no value"),
            ("blank kept at the end", {}, ("--theme", "Dark "), "would read back as"),
            ("unknown option", {}, ("--colour", "red"), "unknown option --colour"),
            ("missing engine", dict(engine=os.path.join(self.dir, "none.so")), (), "does not exist"),
            ("installer is a folder", {}, ("--installer", self.dir), "is a folder"),
            ("runtime is no executable", dict(runtime=text_file), (), "is not an ELF or PE executable"),
            ("runtime already packed", dict(runtime=good), (), "already carries"),
            ("output in the app folder", dict(output="../site/app.bin"), (), "lies inside the application folder"),
            ("output folder missing", dict(output="no/such/app"), (), "does not exist"),
        ]
        for what, kw, extra, message in cases:
            with self.subTest(what):
                before = sorted(os.listdir(self.out))
                r = self.pack(*extra, **kw)
                self.assertNotEqual(r.returncode, 0)
                self.assertIn(message, r.stderr)
                self.assertEqual(sorted(os.listdir(self.out)), before)  # nothing written, no temporary file
                self.assertFalse(os.path.exists(os.path.join(self.app, "app.bin")))

    def test_unreadable_or_odd_files_are_refused(self):
        self.pack_ok(output="app")
        with open(os.path.join(self.out, "app"), "rb") as f:
            before = f.read()
        odd = os.path.join(self.dir, "odd")
        shutil.copytree(self.app, odd)
        cases = []
        bad_name = os.path.join(odd.encode(), b"bad\xffname.txt")
        cases.append(("name not UTF-8", lambda: open(bad_name, "wb").close(), '"app/bad\\xFFname.txt" is not valid UTF-8',
                      lambda: os.unlink(bad_name)))
        link = os.path.join(odd, "dangling")
        cases.append(("dangling link", lambda: os.symlink("/nonexistent/x", link), "symbolic link to nothing",
                      lambda: os.unlink(link)))
        loop = os.path.join(odd, "css", "loop")
        cases.append(("link loop", lambda: os.symlink("..", loop), "link loop", lambda: os.unlink(loop)))
        fifo = os.path.join(odd, "pipe")
        cases.append(("named pipe", lambda: os.mkfifo(fifo), "not a regular file", lambda: os.unlink(fifo)))
        secret = os.path.join(odd, "secret.txt")

        def make_secret():
            self.write(secret, b"x")
            os.chmod(secret, 0)
        cases.append(("unreadable file", make_secret, "Permission denied", lambda: os.unlink(secret)))
        for what, make, message, undo in cases:
            with self.subTest(what):
                make()
                try:
                    prefix = ()
                    if what == "unreadable file" and os.geteuid() == 0:
                        # Root reads any file: pack as nobody instead.
                        if not shutil.which("setpriv"):
                            self.skipTest("running as root without setpriv")
                        prefix = ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--")
                        os.chmod(self.dir, 0o755)
                        os.chmod(self.out, 0o777)
                        # nobody may not reach the build tree (a private checkout): give it
                        # its own copies of the runtime and the engine.
                        runtime = shutil.copy(ARGS.lister, os.path.join(self.dir, "runtime"))
                        engine = shutil.copy(self.engine, os.path.join(self.dir, "engine.so"))
                        os.chmod(runtime, 0o755)
                        os.chmod(engine, 0o644)
                    else:
                        runtime = engine = None
                    r = self.pack(app=odd, output="app", prefix=prefix, runtime=runtime, engine=engine)
                    self.assertNotEqual(r.returncode, 0)
                    self.assertIn(message, r.stderr)
                    self.assertEqual(os.listdir(self.out), ["app"])
                    with open(os.path.join(self.out, "app"), "rb") as f:
                        self.assertEqual(f.read(), before)  # the earlier output is untouched
                finally:
                    undo()


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--vtr-pack", required=True)
    parser.add_argument("--lister", required=True)
    parser.add_argument("--pe-fixture", default="")
    parser.add_argument("--pe-resources", default="")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
