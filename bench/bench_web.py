"""Rows of the benchmark table that pages measure themselves: a large file in the archive, and the
bridge through its real client script. Each page calls benchReport(text); in the packed application
that writes report.txt beside the executable, in the bare window it prints "report <text>"."""
import os
import statistics
import subprocess
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CLIENT_SCRIPT = os.path.join(ROOT, "src", "resources", "vtr-external.js")
BIG_BYTES = 200 * 1000 * 1000

REPORT_MARK = ("window.benchReport = function (text) {"
               " vtr.files.writeTextFile({filePath: 'report.txt', contents: String(text)}); };\n")

SMALL_PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>small</title></head><body>
<h1>A small page</h1><p>Its application also carries a large file that it never reads.</p></body></html>
"""

# Ready first, so that the bench can take the memory and start the heartbeat before the fetch.
FETCH_PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>fetch</title></head><body>
<p id="state">waiting</p>
<script>
window.addEventListener('load', function () {
  benchReport('ready');
  setTimeout(async function () {
    const start = performance.now();
    const reader = (await fetch('big.bin')).body.getReader();
    let bytes = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      bytes += value.length;
      document.getElementById('state').textContent = bytes + ' bytes';
    }
    benchReport('fetched ' + (performance.now() - start) + ' ' + bytes);
  }, 1500);
});
</script></body></html>
"""

BRIDGE_PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>bridge</title></head><body>
<script>
window.addEventListener('load', async function () {
  const sequential = [], inFlight = [];
  for (let i = 0; i < 200; i++) await vtr.hello();
  for (let round = 0; round < 5; round++) {
    let start = performance.now();
    for (let i = 0; i < 1000; i++) await vtr.hello();
    sequential.push(performance.now() - start);
    start = performance.now();
    await Promise.all(Array.from({ length: 1000 }, () => vtr.hello()));
    inFlight.push(performance.now() - start);
  }
  const median = (list) => list.sort((a, b) => a - b)[list.length >> 1];
  benchReport('bridge ' + median(sequential) + ' ' + median(inFlight));
});
</script></body></html>
"""


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def ini(path, app_id):
    write(path, "[App]\r\nID=%s\r\nName=bench\r\nDirName=app\r\nIndexHtml=index.html\r\nWidth=1120\r\nHeight=800\r\n"
          % app_id)
    return path


def big_file(path):
    """Incompressible bytes, written in pieces so that making them costs no memory."""
    with open(path, "wb") as f:
        left = BIG_BYTES
        while left > 0:
            piece = min(left, 8 << 20)
            f.write(os.urandom(piece))
            left -= piece


def stop(proc):
    proc.kill()
    proc.wait()


def kib(pid, key):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


class Vtr:
    """A packed application whose page reports through report.txt."""

    def __init__(self, exe, data_home):
        self.report = os.path.join(os.path.dirname(exe), "report.txt")
        if os.path.exists(self.report):
            os.remove(self.report)
        self.proc = subprocess.Popen([exe], env=dict(os.environ, XDG_DATA_HOME=data_home),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_for(self, prefix, timeout=300):
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                with open(self.report, encoding="utf-8-sig") as f:
                    text = f.read().strip()
                if text.startswith(prefix):
                    return text
            except OSError:
                pass
            time.sleep(0.005)
        raise RuntimeError("the packed page never reported " + prefix)


class Bare:
    """The bare WebKitGTK window on the same page from disk, reporting on its standard output."""

    def __init__(self, bare, uri, *options):
        self.proc = subprocess.Popen([bare, uri, "--reports"] + list(options), stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)

    def wait_for(self, prefix, timeout=300):
        deadline = time.time() + timeout
        while time.time() < deadline:
            line = self.proc.stdout.readline()
            if not line:
                break
            if line.startswith("report " + prefix):
                return line[len("report "):].strip()
        raise RuntimeError("the bare page never reported " + prefix)


def fetch_once(side, gui_ping):
    """Fetch time (ms), UI-process RSS growth (MiB) and longest GUI-thread stall (ms)."""
    try:
        side.wait_for("ready")
        pid = side.proc.pid
        # Resets the peak resident size, so that the peak after the fetch is the fetch's own.
        with open("/proc/%d/clear_refs" % pid, "w") as f:
            f.write("5")
        before = kib(pid, "VmRSS")
        ping = subprocess.Popen([gui_ping, str(pid)], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        fields = side.wait_for("fetched").split()
        out, _ = ping.communicate(input="", timeout=30)
        if int(fields[2]) != BIG_BYTES:
            raise RuntimeError("the page fetched %s bytes instead of %d" % (fields[2], BIG_BYTES))
        peak = kib(pid, "VmHWM")
        stall = float(out.split()[1])
        return float(fields[1]), (peak - before) / 1024.0, stall
    finally:
        stop(side.proc)


def pack(bin_dir, app_dir, ini_path, mark, exe):
    subprocess.run([os.path.join(bin_dir, "vtr-pack"), app_dir, "--ini", ini_path, "--webviewjs", mark, "-o", exe,
                    "-q"], check=True)


def large_file_rows(rows, runs, bin_dir, build, work, data_home, mark, run_vtr):
    """Start-up with and without a 200 MB file, and the page fetching that file."""
    bare = os.path.join(build, "bench", "bare_webkit")
    gui_ping = os.path.join(build, "bench", "gui_ping")
    report_mark = os.path.join(work, "report.js")
    write(report_mark, REPORT_MARK)
    base = os.path.join(work, "large")
    big = os.path.join(base, "big.bin")
    os.makedirs(base)
    big_file(big)

    print("start -> load with and without a 200 MB file, %d runs each..." % runs, flush=True)
    exes = {}
    for name, carries in (("plain", False), ("carrying", True)):
        app = os.path.join(base, name, "app")
        write(os.path.join(app, "index.html"), SMALL_PAGE)
        if carries:
            os.link(big, os.path.join(app, "big.bin"))
        exes[name] = os.path.join(base, name, "small-app")
        pack(bin_dir, app, ini(os.path.join(base, name, "vtr.ini"), "org.vtr.bench.small"), mark, exes[name])
    for name in exes:
        run_vtr(exes[name], data_home)
    times = {name: [] for name in exes}
    for _ in range(runs):
        for name in exes:
            times[name].append(run_vtr(exes[name], data_home)[0])
    carrying, plain = statistics.median(times["carrying"]), statistics.median(times["plain"])
    rows.append(("start -> load, the application also carries 200 MB", "%.0f ms" % carrying,
                 "%.0f ms (without it)" % plain, "%.2fx" % (carrying / plain), "<= 1.1x", carrying / plain <= 1.1))

    fetch_runs = max(3, runs // 2)
    print("the page fetches the 200 MB file, %d runs each..." % fetch_runs, flush=True)
    app = os.path.join(base, "fetch", "app")
    write(os.path.join(app, "index.html"), FETCH_PAGE)
    os.link(big, os.path.join(app, "big.bin"))
    exe = os.path.join(base, "fetch", "fetch-app")
    pack(bin_dir, app, ini(os.path.join(base, "fetch", "vtr.ini"), "org.vtr.bench.fetch"), report_mark, exe)
    uri = "file://" + os.path.join(app, "index.html")
    ours, theirs = [], []
    for _ in range(fetch_runs):
        ours.append(fetch_once(Vtr(exe, data_home), gui_ping))
        theirs.append(fetch_once(Bare(bare, uri, "--file-access"), gui_ping))
    got = [statistics.median(m[i] for m in ours) for i in range(3)]
    base_got = [statistics.median(m[i] for m in theirs) for i in range(3)]
    rows.append(("the page fetches the 200 MB file", "%.0f ms" % got[0], "%.0f ms (bare, from disk)" % base_got[0],
                 "%.2fx" % (got[0] / base_got[0]), "<= 1.2x", got[0] / base_got[0] <= 1.2))
    rows.append(("UI-process RSS growth during that fetch", "%+.0f MiB" % got[1], "%+.0f MiB (bare)" % base_got[1],
                 "", "<= 64 MiB", got[1] <= 64))
    rows.append(("longest GUI-thread stall during that fetch", "%.0f ms" % got[2], "%.0f ms (bare)" % base_got[2],
                 "", "<= 50 ms", got[2] <= 50))


def client_script_rows(rows, runs, bin_dir, build, work, data_home):
    """vtr.hello() through the client script a page really uses (one listener per call), beside
    the bare engine running the same script over an echo."""
    bare = os.path.join(build, "bench", "bare_webkit")
    report_mark = os.path.join(work, "report.js")
    write(report_mark, REPORT_MARK)
    base = os.path.join(work, "client")
    app = os.path.join(base, "app")
    write(os.path.join(app, "index.html"), BRIDGE_PAGE)
    exe = os.path.join(base, "bridge-app")
    pack(bin_dir, app, ini(os.path.join(base, "vtr.ini"), "org.vtr.bench.bridge"), report_mark, exe)
    uri = "file://" + os.path.join(app, "index.html")
    print("vtr.hello() through the client script, %d runs each..." % runs, flush=True)
    ours, theirs = [], []
    for _ in range(runs):
        for side, into in ((lambda: Vtr(exe, data_home), ours),
                           (lambda: Bare(bare, uri, "--bridge", CLIENT_SCRIPT), theirs)):
            started = side()
            try:
                into.append([float(x) for x in started.wait_for("bridge").split()[1:]])
            finally:
                stop(started.proc)
    for i, label in ((0, "sequential"), (1, "1,000 in flight")):
        mine = 1000.0 / (statistics.median(m[i] for m in ours) / 1000.0)
        bares = 1000.0 / (statistics.median(m[i] for m in theirs) / 1000.0)
        rows.append(("vtr.hello() from a page, " + label, "%.0f calls/s" % mine, "%.0f calls/s (bare echo)" % bares,
                     "%.2fx" % (mine / bares), ">= 0.9x", mine / bares >= 0.9))
