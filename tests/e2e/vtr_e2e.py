"""Packs the probe application with vtr-pack, starts it as a user would and reads what its pages
report (JSON files the page writes beside the executable through window.vtr)."""
import json
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

BIN_DIR = os.environ["VTR_BIN_DIR"]
HERE = os.path.dirname(os.path.abspath(__file__))
PROBE = os.path.join(HERE, "apps", "probe")


def run(*cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=60, **kw)


class PackedApp:
    """One packed copy of the probe, in its own folder, with its own data folder."""

    def __init__(self, ini, webviewjs=None, name="probe", pack_args=(), extra=None):
        """extra: files added to the probe's archive, {name inside the application: bytes}."""
        self.dir = tempfile.mkdtemp(prefix="vtr-e2e-")
        self.exe = os.path.join(self.dir, name)
        self.data_home = os.path.join(self.dir, "data")
        self.procs = []
        ini_path = os.path.join(self.dir, "vtr.ini")
        lines = ["[App]", "ID=org.vtr.e2e." + str(os.getpid()) + "." + os.path.basename(self.dir),
                 "Name=vtr e2e", "DirName=app"]
        lines += ["%s=%s" % kv for kv in ini.items()]
        with open(ini_path, "w", encoding="utf-8") as f:
            f.write("\r\n".join(lines) + "\r\n")
        self.id = lines[1].split("=", 1)[1]
        source = PROBE
        if extra:
            source = os.path.join(self.dir, "source")
            shutil.copytree(PROBE, source)
            for rel, data in extra.items():
                os.makedirs(os.path.dirname(os.path.join(source, rel)), exist_ok=True)
                with open(os.path.join(source, rel), "wb") as f:
                    f.write(data)
        cmd = [os.path.join(BIN_DIR, "vtr-pack"), source, "-o", self.exe, "--ini", ini_path, "-q"]
        if webviewjs:
            cmd += ["--webviewjs", webviewjs]
        cmd += list(pack_args)
        result = run(*cmd)
        if result.returncode != 0:
            raise RuntimeError("vtr-pack failed: " + result.stderr)

    def start(self, *args, env=None, cwd=None):
        """Starts the executable; env adds variables to the test's own (None removes one)."""
        env = {k: v for k, v in dict(os.environ, XDG_DATA_HOME=self.data_home, **(env or {})).items()
               if v is not None}
        proc = subprocess.Popen([self.exe, *args], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                text=True, cwd=cwd)
        self.procs.append(proc)
        return proc

    def path(self, name):
        return os.path.join(self.dir, name)

    def wait_file(self, name, timeout=40):
        deadline = time.time() + timeout
        path = self.path(name)
        while time.time() < deadline:
            if os.path.exists(path):
                try:
                    with open(path, encoding="utf-8-sig") as f:
                        return json.loads(f.read())
                except ValueError:
                    pass  # still being written
            time.sleep(0.1)
        raise AssertionError("no %s within %ss; output: %s" % (name, timeout, self.output()))

    def output(self):
        text = []
        for p in self.procs:
            if p.poll() is not None and p.stdout:
                text.append(p.stdout.read())
        return "\n".join(text)

    def close(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
            p.wait(timeout=10)
        shutil.rmtree(self.dir, ignore_errors=True)


def window_of(pid, timeout=20):
    """The X window id of a process's main window."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        out = run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).stdout.split()
        for wid in out:
            if run("xprop", "-id", wid, "WM_STATE").stdout.find("Normal") >= 0 or True:
                return wid
        time.sleep(0.1)
    raise AssertionError("no window for pid %d" % pid)


def outer_geometry(wid):
    """(x, y, width, height) of a window with its frame, as xwininfo and xprop report them."""
    info = run("xwininfo", "-id", wid).stdout
    val = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
    x, y, w, h = val("Absolute upper-left X"), val("Absolute upper-left Y"), val("Width"), val("Height")
    extents = run("xprop", "-id", wid, "_NET_FRAME_EXTENTS").stdout
    m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", extents)
    left, right, top, bottom = (int(g) for g in m.groups()) if m else (0, 0, 0, 0)
    return x - left, y - top, w + left + right, h + top + bottom


def window_name(wid):
    return run("xdotool", "getwindowname", wid).stdout.strip()


def window_class(wid):
    """WM_CLASS of a window as (name, class), or None."""
    m = re.search(r'= "(.*)", "(.*)"', run("xprop", "-id", wid, "WM_CLASS").stdout)
    return m.groups() if m else None


def window_icons(wid):
    """The pictures of a window's _NET_WM_ICON: {(width, height): [0xAARRGGBB, ...]} in their order."""
    out = run("xprop", "-id", wid, "-notype", "-f", "_NET_WM_ICON", "32c", "=$0+", "_NET_WM_ICON").stdout
    if "=" not in out:
        return {}
    values = [int(v) for v in out.split("=", 1)[1].split(",") if v.strip()]
    icons, at = {}, 0
    while at + 2 <= len(values):
        width, height = values[at], values[at + 1]
        icons[(width, height)] = values[at + 2:at + 2 + width * height]
        at += 2 + width * height
    return icons


def expected_window_class(app_id):
    """The class the runtime makes from an application ID: every other byte becomes "_"."""
    return re.sub(rb"[^A-Za-z0-9._-]", b"_", app_id.encode()).decode()


def wait_until(predicate, timeout=20, interval=0.1):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return predicate()


def titled(title):
    """The visible windows titled exactly `title` (a regular expression)."""
    return run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % title).stdout.split()


def prompts(pid, title):
    """The process's dialog windows that belong to the window titled `title` (its questions)."""
    owners = {int(w) for w in titled(title)}
    found = []
    for wid in run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).stdout.split():
        m = re.search(r"window id # (0x[0-9a-f]+)", run("xprop", "-id", wid, "WM_TRANSIENT_FOR").stdout)
        props = run("xprop", "-id", wid, "_NET_WM_WINDOW_TYPE").stdout
        if m and int(m.group(1), 16) in owners and "_NET_WM_WINDOW_TYPE_DIALOG" in props:
            found.append(wid)
    return found


def activate(title, timeout=20):
    """Waits for the window titled `title` and gives it the focus; its id, or None."""
    found = wait_until(lambda: titled(title), timeout=timeout)
    if not found:
        return None
    run("xdotool", "windowactivate", "--sync", found[0])
    return found[0]


def enter(pid, title, path=None, location=True):
    """Types path into a file chooser titled `title` (into the location field, or over the save
    dialog's name), then presses Return until the dialog closes or asks something: the first
    Return may only take the completion the field offers. Returns the windows that asked."""
    if path is not None:
        run("xdotool", "key", "ctrl+l" if location else "ctrl+a")
        run("xdotool", "type", "--delay", "15", path)
    for _ in range(3):
        run("xdotool", "key", "Return")
        if wait_until(lambda: not titled(title) or prompts(pid, title), timeout=2):
            break
    return prompts(pid, title)


class E2ETestCase(unittest.TestCase):
    def pack(self, ini=None, **kw):
        app = PackedApp(ini or {}, **kw)
        self.addCleanup(app.close)
        return app
