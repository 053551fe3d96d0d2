#!/usr/bin/python3
"""The runtime and the engine library need only libraries whose names are the same on every
current desktop distribution with WebKitGTK 4.1: glibc, the GCC runtime, the GTK 3 stack, the X11
client libraries, zlib, and for the engine WebKitGTK 4.1 and libsoup 3. Their NEEDED entries and
the symbol versions they ask for are held against the lists below, so that a new dependency or a
newer glibc, C++ runtime or zlib is a conscious choice: change the lists to make it."""

import argparse
import re
import subprocess
import sys
import unittest

ARGS = None

GLIBC = {"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2"}
GCC_RUNTIME = {"libstdc++.so.6", "libgcc_s.so.1"}
GTK3_STACK = {"libgtk-3.so.0", "libgdk-3.so.0", "libpangocairo-1.0.so.0", "libpango-1.0.so.0",
              "libharfbuzz.so.0", "libatk-1.0.so.0", "libcairo-gobject.so.2", "libcairo.so.2",
              "libgdk_pixbuf-2.0.so.0", "libgio-2.0.so.0", "libgobject-2.0.so.0", "libglib-2.0.so.0"}
X11_CLIENT = {"libX11.so.6", "libXtst.so.6"}
ZLIB = {"libz.so.1"}
# WebKitGTK 4.1 brings its JavaScript engine under the same API version.
WEBKIT = {"libwebkit2gtk-4.1.so.0", "libjavascriptcoregtk-4.1.so.0", "libsoup-3.0.so.0"}

ALLOWED_NEEDED = {
    # The runtime must start where WebKitGTK is missing, to say so: it loads the engine with dlopen.
    "runtime": GLIBC | GCC_RUNTIME | GTK3_STACK | X11_CLIENT | ZLIB,
    "engine": GLIBC | GCC_RUNTIME | GTK3_STACK | X11_CLIENT | ZLIB | WEBKIT,
}

# The newest symbol version of each versioned library that may be asked for: glibc 2.34, and
# the C++ runtime, libgcc and zlib of the oldest distributions named above (GCC 12's runtime on
# Debian 12 and Ubuntu 22.04; zlib 1.2.11 on Ubuntu 22.04).
VERSION_CEILINGS = {
    "GLIBC": (2, 34),
    "GLIBCXX": (3, 4, 30),
    "CXXABI": (1, 3, 13),
    "GCC": (12, 0, 0),
    "ZLIB": (1, 2, 11),
}


def readelf(*args):
    r = subprocess.run(["readelf", "--wide", *args], capture_output=True, text=True, timeout=60)
    if r.returncode != 0:
        raise AssertionError("readelf %s failed: %s" % (" ".join(args), r.stderr))
    return r.stdout


def needed(path):
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", readelf("--dynamic", path))


def required_versions(path):
    """(library, version name) for every version the file asks of another library."""
    out = readelf("--version-info", path)
    section = out.split("Version needs section", 1)
    if len(section) < 2:
        return []
    pairs, library = [], None
    for line in section[1].splitlines():
        m = re.search(r"File: (\S+)", line)
        if m:
            library = m.group(1)
            continue
        m = re.search(r"Name: (\S+)", line)
        if m:
            pairs.append((library, m.group(1)))
        elif line.strip() and not line.startswith(" "):
            break  # the next section
    return pairs


def version_violation(library, name):
    """Why asking Library for the symbol version Name is not allowed, or None."""
    m = re.fullmatch(r"([A-Z]+)_([0-9.]+)", name)
    if not m or m.group(1) not in VERSION_CEILINGS:
        return "%s from %s: not a known version family (%s)" % (name, library, ", ".join(VERSION_CEILINGS))
    family, number = m.group(1), tuple(int(p) for p in m.group(2).split("."))
    ceiling = VERSION_CEILINGS[family]
    if number > ceiling:
        return "%s from %s: newer than %s_%s" % (name, library, family, ".".join(map(str, ceiling)))
    return None


def unexpected_libraries(path, role):
    return sorted(set(needed(path)) - ALLOWED_NEEDED[role])


class DependencyTest(unittest.TestCase):
    def files(self):
        return {"runtime": ARGS.runtime, "engine": ARGS.engine}

    def test_needed_libraries_are_on_the_allowlist(self):
        for role, path in self.files().items():
            with self.subTest(role):
                self.assertIn("libc.so.6", needed(path), "readelf found no NEEDED entries in " + path)
                unexpected = unexpected_libraries(path, role)
                self.assertEqual(unexpected, [], "the %s (%s) needs libraries outside its allowlist: %s"
                                 % (role, path, ", ".join(unexpected)))

    def test_symbol_versions_stay_at_or_below_their_ceilings(self):
        for role, path in self.files().items():
            with self.subTest(role):
                pairs = required_versions(path)
                self.assertTrue(any(name.startswith("GLIBC_") for _, name in pairs),
                                "readelf found no glibc versions in " + path)
                problems = [v for v in (version_violation(*p) for p in pairs) if v]
                self.assertEqual(problems, [], "the %s (%s) asks for symbol versions it may not:\n%s"
                                 % (role, path, "\n".join(problems)))

    def test_the_checks_catch_what_they_guard(self):
        # The engine's WebKitGTK is exactly what the runtime's list refuses.
        self.assertIn("libwebkit2gtk-4.1.so.0", unexpected_libraries(ARGS.engine, "runtime"))
        for library, name, allowed in [("libc.so.6", "GLIBC_2.35", False), ("libc.so.6", "GLIBC_2.34", True),
                                       ("libc.so.6", "GLIBC_2.2.5", True), ("libstdc++.so.6", "GLIBCXX_3.4.31", False),
                                       ("libz.so.1", "ZLIB_1.2.12", False), ("libfoo.so.1", "FOO_1.0", False)]:
            self.assertEqual(version_violation(library, name) is None, allowed, name)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--runtime", required=True)
    parser.add_argument("--engine", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
